#pragma once
// The automatic refresh timer: asks the worker for a clean-blur refresh every
// AutoFreshTime seconds while automatic refresh is on and the monitor is
// awake. Main thread only.

#include <optional>

#include "platform/app_framework.h"

extern std::optional<platform::TimerId> RefreshTimer;

void startRefreshTimer();
void stopRefreshTimer();
void autoRefreshTimer();
