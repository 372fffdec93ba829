#pragma once
// Runtime flags: requests and state shared between the main thread, the
// monitor worker and the screen-saver counter (TLMonitorID lives with the
// monitor commands, AutoRefreshTimerTurnOnFlag with the Parameters).

#include <atomic>
#include <cstdint>

#include "core/ui_hooks.h"

extern std::atomic<uint8_t> MonitorOnline;
extern std::atomic<uint8_t> PauseFlag;
extern std::atomic<uint8_t> PausedFlag;
extern std::atomic<uint8_t> failureCount;
extern std::atomic<uint8_t> ClearBlurFlag;
extern std::atomic<uint16_t> ScreenSaveCount;
extern std::atomic<uint8_t> ScreenSaveFlag;
extern std::atomic<uint8_t> ScreenSaved;
extern std::atomic<uint8_t> ButtonScreenSaveCancelFlag;
extern std::atomic<uint16_t> SettingViewControllerThreshold;
extern std::atomic<uint8_t> SettingViewControllerThresholdFlag;
extern std::atomic<uint8_t> ViewControllerModeChangeFlag;
extern std::atomic<uint8_t> ViewControllerResChangeFlag;
extern std::atomic<uint8_t> ResManualChangeFlag;

// The main panel from its load on; the settings dialog while it is open.
extern std::atomic<MainPanel*> VCInstance;
extern std::atomic<ThresholdView*> SVC;

// Hands a threshold to the worker: the value first, then the flag.
void requestThreshold(uint16_t threshold);

// Sets every Runtime flag (and TLMonitorID) back to its start value.
void resetRuntimeFlags();
