#pragma once
// What the last detection found wrong with the displays' buses, for the
// main panel's status line and --diagnose: the most telling cause (no access
// before busy before no answer before no device) and the bus it was on.

#include <string>

#include "platform/bus_cause.h"

struct DetectionProblem {
  platform::BusCause cause = platform::BusCause::kNone;
  std::string bus;        // "/dev/i2c-5"
  bool finished = false;  // false until the first detection of the run ends
};

void startDetectionReport();
void noteBusProblem(platform::BusCause cause, const std::string& bus);
// Publishes the pass's problems (none when the monitor was found).
void finishDetectionReport(bool found);
DetectionProblem lastDetectionProblem();
// As at process start: no detection has ended yet (tests).
void resetDetectionReport();
