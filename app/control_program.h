#pragma once
// The program entry shared by AltoControl and TenorControl: the Qt
// application, the platform backends, the main window and the launch.

#include "base/model_profile.h"

int runControlProgram(const base::ModelProfile& model, int argc, char** argv);
