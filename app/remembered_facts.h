#pragma once
// One-bit facts the program keeps about the desktop between runs (the user
// cancelled GNOME's shortcut dialog, was told of a change once), as empty
// files $XDG_STATE_HOME/quillmark/<app id>.<fact> (~/.local/state by default).
// A file that is not this user's, or a link, does not count, and nothing is
// written through a part of the path that belongs to another user.

#include "base/model_profile.h"

bool remembered(const base::ModelProfile& model, const char* fact);
void remember(const base::ModelProfile& model, const char* fact, bool holds);
