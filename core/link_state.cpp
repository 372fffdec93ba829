#include "core/link_state.h"

#include <mutex>

namespace {

std::mutex gMutex;
DetectionProblem gLast;

}  // namespace

std::atomic<int32_t> ThresholdOnMonitor{kThresholdNotSent};

void publishDetection(const Detection& detection) {
  std::lock_guard<std::mutex> lock(gMutex);
  gLast = detection.found ? DetectionProblem{} : DetectionProblem{detection.cause, detection.bus};
  gLast.finished = true;
}

DetectionProblem lastDetectionProblem() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gLast;
}

void resetLinkState() {
  std::lock_guard<std::mutex> lock(gMutex);
  gLast = {};
  ThresholdOnMonitor = kThresholdNotSent;
}
