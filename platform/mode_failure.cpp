#include "platform/mode_failure.h"

#include <mutex>

namespace platform {
namespace {

std::mutex gMutex;
std::string gReason;

}  // namespace

void noteModeFailure(const std::string& reason) {
  std::lock_guard<std::mutex> lock(gMutex);
  gReason = reason;
}

std::string lastModeFailure() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gReason;
}

}  // namespace platform
