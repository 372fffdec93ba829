#pragma once
// GNOME's own custom keyboard shortcuts (the media-keys settings of
// gnome-settings-daemon, through GSettings), for GNOME versions without a
// GlobalShortcuts portal: each hotkey becomes an entry whose command is the
// program's command-line action. The program's entries live at paths of its
// own, so that the user's custom shortcuts are never changed or reordered.

#include <cstdint>
#include <string>
#include <vector>

namespace platform::input {

struct DesktopShortcut {
  std::string id;       // "contrast-up": the entry's path is "<owner>-<id>/"
  std::string name;     // as GNOME Settings lists it
  std::string command;  // what the shortcut runs
  uint32_t keyCode = 0;
  uint32_t modifierFlags = 0;
  bool enabled = true;  // a disabled hotkey has no entry
};

// What the paths of the owner's entries start with.
std::string gnomeCustomEntryPrefix(const std::string& owner);

// Whether GNOME's keyboard shortcut settings are installed here.
bool gnomeCustomShortcutsAvailable();

// Puts the enabled shortcuts into GNOME's custom shortcuts (on), taking out
// the disabled ones, or takes exactly them all out again (off); doing either
// twice changes nothing more. Nothing is
// half-written: every check comes first, and a failed list write takes the
// entries back. false, with the reason in why, where GNOME's settings are
// not installed, are read-only, or a hotkey has no accelerator.
bool setGnomeCustomShortcuts(const std::string& owner,
                             const std::vector<DesktopShortcut>& shortcuts, bool on,
                             std::string& why);

// Whether any of the owner's entries is in GNOME's list of custom shortcuts.
bool gnomeCustomShortcutsHeld(const std::string& owner,
                              const std::vector<DesktopShortcut>& shortcuts);

}  // namespace platform::input
