#pragma once
// One-bit facts the program keeps about the desktop between runs (the user
// cancelled GNOME's shortcut dialog, was told of a change once), as empty
// files $XDG_STATE_HOME/quillmark/<app id>.<fact> (~/.local/state by default).
// A file that is not this user's, or a link, does not count, and nothing is
// written through a part of the path that belongs to another user.

#include <string>
#include <vector>

#include "base/model_profile.h"

// The user cancelled the desktop's shortcut dialog: a start does not ask again.
inline constexpr const char* kShortcutsDeclined = "shortcuts-declined";
// The user was told that Plasma keeps the hotkeys under the app id now.
inline constexpr const char* kKdeFormerNameTold = "kde-former-name-told";

bool remembered(const base::ModelProfile& model, const char* fact);
void remember(const base::ModelProfile& model, const char* fact, bool holds);
// Forgets every fact; the paths of those that were remembered.
std::vector<std::string> forgetAllFacts(const base::ModelProfile& model);
