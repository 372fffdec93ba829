#pragma once
// `--diagnose`: what stands between the program and the monitor, in one
// report a user can act on or paste into a bug report. It reads sysfs and
// the buses only: no log file, no settings file, no change to the monitor.

#include "base/model_profile.h"

// Prints the report to standard output; 0 when the monitor answered one
// status exchange, 1 otherwise.
int printDiagnosis(const base::ModelProfile& model);
