// The automatic refresh timer: asks the worker for a clean-blur refresh every
// AutoFreshTime seconds while automatic refresh is on and the monitor is awake.

#include <algorithm>
#include <cstdio>

#include "core/app_delegate.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "platform/platform.h"

namespace {
// The settings dialog accepts 15 to 600 s; a hand-edited file may hold anything,
// and a timer must never fire every few milliseconds.
constexpr uint16_t kShortestInterval = 15;
constexpr uint16_t kLongestInterval = 600;
}  // namespace

void AppDelegate::startRefreshTimer() {
  const double interval = std::clamp(AutoFreshTime.load(), kShortestInterval, kLongestInterval);
  auto& app = platform::app();
  RefreshTimer = app.scheduleRepeatingTimer(interval, [this] { autoRefreshTimer(); });
  char line[64];
  std::snprintf(line, sizeof line, "Start refresh timer with interval %f.\n", interval);
  app.systemLog(line);
}

void AppDelegate::stopRefreshTimer() {
  if (RefreshTimer) platform::app().invalidateTimer(*RefreshTimer);
}

void AppDelegate::autoRefreshTimer() {
  if (ScreenSaved.load() == 0 && FreshAutoEnable.load() != 0) {
    platform::app().systemLog("auto refresh clean blur+++++++++.\n");
    ClearBlurFlag = 2;
  }
}
