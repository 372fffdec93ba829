#pragma once
// Start at login: an XDG autostart entry that starts the program hidden.

#include <QString>

#include "base/model_profile.h"

// $XDG_CONFIG_HOME/autostart/<app id>.desktop (~/.config by default).
QString autostartPath(const base::ModelProfile& model);
bool autostartEnabled(const base::ModelProfile& model);
// Writes or removes the entry; false, with the reason in why, when the file
// system says no or a part of the path belongs to another user.
bool setAutostart(const base::ModelProfile& model, bool enabled, QString* why = nullptr);
// An entry of the user's under the program's former name (<program>.desktop)
// becomes the entry under its app id, so that "start at login" survives the
// rename; false, with the reason in why, when it could not be moved.
bool moveAutostartToAppId(const base::ModelProfile& model, QString* why = nullptr);
