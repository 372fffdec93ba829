#pragma once
// What the worker knows of the link beyond MonitorOnline, published for the
// main panel's status line, the D-Bus object, --status and --diagnose:
// what the last detection found wrong, and the threshold the monitor works
// with. Written on the worker thread, read anywhere.

#include <atomic>
#include <cstdint>
#include <string>

#include "link/display_discovery.h"
#include "link/monitor_commands.h"

struct DetectionProblem {
  platform::BusCause cause = platform::BusCause::kNone;
  std::string bus;        // "/dev/i2c-5"
  bool finished = false;  // false until the first detection of the run ends
};

// The detection's problems (none when the monitor was found). A monitor
// found also ends what linkLoss says.
void publishDetection(const Detection& detection);
DetectionProblem lastDetectionProblem();

// Why the worker gave the link up after its failure limit, until the monitor
// is found again: the last failed exchange's problem.
void publishLinkLoss(const ExchangeProblem& problem);
// "no answer (is DDC/CI on in the monitor's menu?) on /dev/i2c-5", "the
// monitor's display is gone"; "" while no link was lost since the last
// connection.
std::string linkLoss();

// On the scale of Threshold, the last threshold the monitor was sent or
// reported. The connection sequence sends none, so from each connection
// until then the monitor works with a threshold of its own.
constexpr int32_t kThresholdNotSent = -1;
extern std::atomic<int32_t> ThresholdOnMonitor;

// As at process start: no detection has ended, no threshold sent.
void resetLinkState();
