#pragma once
// The three hotkeys in a desktop's own keyboard settings, each running the
// program's command-line action, for desktops that keep keys to themselves
// and have no GlobalShortcuts portal: GNOME 43 to 47 (--desktop-shortcuts
// on|off and Settings write them there, and the running program keeps them
// in step with Settings), and sway and other wlroots desktops (--diagnose
// gives the lines to paste).

#include <string>
#include <vector>

#include "base/model_profile.h"
#include "platform/keyboard_services.h"
#include "platform/session/session_type.h"

// Puts the hotkeys as set into GNOME's custom shortcuts or takes them out;
// false, with the reason in why, where that cannot be done.
bool setGnomeShortcuts(const base::ModelProfile& model, bool on, std::string& why);
// The combinations the recorder refuses as taken: the standard editing keys,
// and GNOME's or KDE's own global shortcuts in their sessions (the
// program's own entries there left out), read anew at each call.
std::vector<platform::SystemHotKey> shortcutsInUse(const base::ModelProfile& model,
                                                   const platform::session::SessionType& session);
// Whether GNOME's custom shortcuts hold any of the program's entries.
bool gnomeShortcutsHeld(const base::ModelProfile& model);

// The exit status: 0 when GNOME's shortcuts are as asked, 1 (with the reason
// on stderr) where they cannot be. Reads the hotkeys from the private data file.
int setGnomeShortcutsFromCommandLine(const base::ModelProfile& model, bool on);

// "bindsym Ctrl+u exec /usr/bin/AltoControl --contrast-up\n" and the others,
// for the hotkeys as set; a hotkey without a key name is left out.
std::string swayBindings(const base::ModelProfile& model);
