#pragma once
// --forget: what the program put into the user's desktop and folders, taken
// out again before the package is purged (a package may not touch homes).
// The settings and the log stay: they are the user's to keep or remove.

#include "base/model_profile.h"

// Says what it removed; exit status 0, or 1 while the program runs (its
// hotkeys are in use then) or when something could not be removed.
int forgetFromCommandLine(const base::ModelProfile& model);
