#pragma once
// The three hotkeys in a desktop's own keyboard settings, each running the
// program's command-line action, for desktops that keep keys to themselves
// and have no GlobalShortcuts portal: GNOME 43 to 47 (--desktop-shortcuts
// on|off writes them there), and sway and other wlroots desktops (--diagnose
// gives the lines to paste).

#include <string>

#include "base/model_profile.h"

// The exit status: 0 when GNOME's shortcuts are as asked, 1 (with the reason
// on stderr) where they cannot be.
int setGnomeShortcutsFromCommandLine(const ModelProfile& model, bool on);

// "bindsym Ctrl+u exec /usr/bin/AltoControl --contrast-up\n" and the others,
// for the hotkeys as set in Settings; a hotkey without a key name is left out.
std::string swayBindings(const ModelProfile& model);
