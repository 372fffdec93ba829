#pragma once
// Where the focus comes from, as the command line tells it (--diagnose,
// --modes-by-app, --mode-for): the running instance's source; or, with none
// running, GNOME's extension, which is the user's to turn on, as the Shell
// says it is.

#include <QVariantMap>
#include <optional>
#include <string>

#include "base/model_profile.h"

// "X11 _NET_ACTIVE_WINDOW (the running instance's)", "none: why"; nullopt
// where there is nothing to tell before the program runs. state: the
// running instance's, where one answered.
std::optional<std::string> reportedFocusSource(const std::optional<QVariantMap>& state);
// The same, the running instance asked here.
std::optional<std::string> reportedFocusSource(const base::ModelProfile& model);
