#include "link/detection_report.h"

#include <mutex>

namespace {

std::mutex gMutex;
DetectionProblem gCollecting;
DetectionProblem gLast;

// The cause a user can best act on, when several buses fail differently.
int weight(platform::BusCause cause) {
  using platform::BusCause;
  switch (cause) {
    case BusCause::kNoAccess:
      return 5;
    case BusCause::kBusy:
      return 4;
    case BusCause::kNoAnswer:
      return 3;
    case BusCause::kUnsupported:
      return 2;
    case BusCause::kNoDevice:
      return 1;
    default:
      return 0;
  }
}

}  // namespace

void startDetectionReport() {
  std::lock_guard<std::mutex> lock(gMutex);
  gCollecting = {};
}

void noteBusProblem(platform::BusCause cause, const std::string& bus) {
  std::lock_guard<std::mutex> lock(gMutex);
  if (weight(cause) > weight(gCollecting.cause)) gCollecting = {cause, bus};
}

void finishDetectionReport(bool found) {
  std::lock_guard<std::mutex> lock(gMutex);
  gLast = found ? DetectionProblem{} : gCollecting;
  gLast.finished = true;
}

DetectionProblem lastDetectionProblem() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gLast;
}

void resetDetectionReport() {
  std::lock_guard<std::mutex> lock(gMutex);
  gCollecting = {};
  gLast = {};
}
