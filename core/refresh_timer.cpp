// The automatic refresh timer: asks the worker for a clean-blur refresh every
// AutoFreshTime seconds while automatic refresh is on and the monitor is awake.

#include <algorithm>
#include <cstdio>

#include "core/app_delegate.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "platform/platform.h"

void AppDelegate::startRefreshTimer() {
  // A hand-edited file may hold anything; a timer must never fire every few milliseconds.
  const double interval =
      std::clamp(AutoFreshTime.load(), kShortestRefreshInterval, kLongestRefreshInterval);
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
