#pragma once
// The programs' command line, read before any window, bus or file is touched.

#include "link/model_profile.h"

// Answers --help and --version and ends the program there (they need no
// display); an unknown long option ends it with a message and status 2.
// Qt's own single-dash options (-platform, -display ...) are left to Qt.
void handleCommandLine(const ModelProfile& model, int argc, char** argv);
