#pragma once
// GNOME's own global shortcuts (the window manager's, the shell's, mutter's,
// the media keys and the user's custom ones), which a hotkey must not take:
// GNOME keeps them for itself, so the program would never see the key, or
// take it from the desktop. Read through GSettings each time they are asked
// for, so a shortcut changed in GNOME's Settings counts at once.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/keyboard_services.h"

namespace platform::input {

// In the toolbox encoding the shortcut validator compares. The owner's own
// custom entries (the program's hotkeys as GNOME shortcuts) are left out.
// Empty where GNOME's settings are not installed.
std::vector<SystemHotKey> gnomeShortcutsInUse(const std::string& owner);

// A GNOME accelerator ("<Super>Tab", "<Primary><Alt>t") as a key of this
// program's numbering with its modifiers; nullopt for a key it has not, a
// modifier it does not know, or no key at all.
std::optional<SystemHotKey> hotKeyOfGnomeAccelerator(std::string_view accelerator);

}  // namespace platform::input
