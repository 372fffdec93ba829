#pragma once
// Start at login: an XDG autostart entry that starts the program hidden.

#include <QString>

#include "base/model_profile.h"

// $XDG_CONFIG_HOME/autostart/<app id>.desktop (~/.config by default).
QString autostartPath(const ModelProfile& model);
bool autostartEnabled(const ModelProfile& model);
// Writes or removes the entry; false, with the reason in why, when the file
// system says no or a part of the path belongs to another user.
bool setAutostart(const ModelProfile& model, bool enabled, QString* why = nullptr);
// An entry of the user's under the program's former name (<program>.desktop)
// becomes the entry under its app id, so that "start at login" survives the
// rename; false, with the reason in why, when it could not be moved.
bool moveAutostartToAppId(const ModelProfile& model, QString* why = nullptr);
