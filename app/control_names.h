#pragma once
// The names under which a running program is reached on the session bus.

#include <QString>

#include "base/model_profile.h"

inline constexpr const char* kControlObjectPath = "/com/talvex/QuillmarkControl";
inline constexpr const char* kControlInterface = "com.talvex.QuillmarkControl";
inline constexpr const char* kOfflineError = "com.talvex.QuillmarkControl.Error.Offline";
inline constexpr const char* kResolutionRefusedError =
    "com.talvex.QuillmarkControl.Error.ResolutionRefused";
inline constexpr const char* kNotSavedError = "com.talvex.QuillmarkControl.Error.NotSaved";

// com.talvex.AltoControl or com.talvex.TenorControl: one instance per program.
inline QString controlServiceName(const base::ModelProfile& model) {
  return QString("com.talvex.%1").arg(model.programName);
}
