#pragma once
// What the command line says to the user on standard error.

#include <QString>

#include "base/model_profile.h"

// A text from outside, as a message shows it: cut to 300 characters, its
// control characters (escape sequences among them) shown as '?'.
QString printable(const QString& text);

// "AltoControl: text" on standard error, then the start ends with status.
[[noreturn]] void endCommand(const base::ModelProfile& model, const QString& text, int status);
