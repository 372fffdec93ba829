#pragma once
// --desktop-shortcuts on|off: the three hotkeys as GNOME's own custom
// keyboard shortcuts, each running the program's command-line action, for
// GNOME desktops that keep keys to themselves and have no GlobalShortcuts
// portal (GNOME 43 to 47).

#include "base/model_profile.h"

// The exit status: 0 when GNOME's shortcuts are as asked, 1 (with the reason
// on stderr) where they cannot be.
int setGnomeShortcutsFromCommandLine(const ModelProfile& model, bool on);
