#pragma once
// The three hotkeys as Settings holds them (the Parameters in memory), each
// with the program's command-line action that does the same: one table for
// every desktop's way of carrying them (portal, GNOME's own shortcuts, sway).

#include <cstdint>
#include <string>
#include <vector>

#include "base/model_profile.h"

struct HotkeyAsSet {
  std::string id;     // "contrast-up"
  std::string label;  // "Contrast up"
  // "--hotkey contrast-up": the key acts as the hotkey, whatever carries it.
  std::string option;
  uint32_t keyCode = 0;
  uint32_t modifierFlags = 0;
  bool enabled = false;  // its checkbox in Settings
};

std::vector<HotkeyAsSet> hotkeysAsSet();

// How a desktop starts the program's action: its own path as one shell word
// (GNOME's shortcuts and sway's exec both parse it as a shell would), the
// option after it.
std::string actionCommand(const base::ModelProfile& model, const HotkeyAsSet& hotkey);
