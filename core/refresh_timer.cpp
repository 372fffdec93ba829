#include "core/refresh_timer.h"

#include <algorithm>
#include <cstdio>

#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "platform/platform.h"

std::optional<platform::TimerId> RefreshTimer;

void startRefreshTimer() {
  // A hand-edited file may hold anything; a timer must never fire every few milliseconds.
  const double interval =
      std::clamp(AutoFreshTime.load(), kShortestRefreshInterval, kLongestRefreshInterval);
  auto& app = platform::app();
  RefreshTimer = app.scheduleRepeatingTimer(interval, [] { autoRefreshTimer(); });
  char line[64];
  std::snprintf(line, sizeof line, "Start refresh timer with interval %f.\n", interval);
  app.systemLog(line);
}

void stopRefreshTimer() {
  if (RefreshTimer) platform::app().invalidateTimer(*RefreshTimer);
}

void autoRefreshTimer() {
  if (ScreenSaved.load() == 0 && FreshAutoEnable.load() != 0) {
    platform::app().systemLog("auto refresh clean blur+++++++++.\n");
    ClearBlurFlag = 2;
  }
}
