#include "core/link_state.h"

#include <mutex>

namespace {

std::mutex gMutex;
DetectionProblem gLast;
std::string gLinkLoss;

}  // namespace

std::atomic<int32_t> ThresholdOnMonitor{kThresholdNotSent};

void publishDetection(const Detection& detection) {
  std::lock_guard<std::mutex> lock(gMutex);
  gLast = detection.found ? DetectionProblem{} : DetectionProblem{detection.cause, detection.bus};
  gLast.finished = true;
  if (detection.found) gLinkLoss.clear();
}

void publishLinkLoss(const ExchangeProblem& problem) {
  // No bus at all: the display itself went (unplugged, or its driver gone).
  std::string text = problem.bus.empty() ? "the monitor's display is gone"
                     : problem.cause != platform::BusCause::kNone
                         ? platform::busCauseText(problem.cause)
                         : "the exchanges failed";
  if (!problem.bus.empty()) text += " on " + problem.bus;
  std::lock_guard<std::mutex> lock(gMutex);
  gLinkLoss = std::move(text);
}

std::string linkLoss() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gLinkLoss;
}

DetectionProblem lastDetectionProblem() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gLast;
}

void resetLinkState() {
  std::lock_guard<std::mutex> lock(gMutex);
  gLast = {};
  gLinkLoss.clear();
  ThresholdOnMonitor = kThresholdNotSent;
}
