#include "core/runtime_flags.h"

#include "core/parameters.h"
#include "link/monitor_commands.h"

std::atomic<uint8_t> MonitorOnline{0};
std::atomic<uint8_t> PauseFlag{1};
std::atomic<uint8_t> PausedFlag{0};
std::atomic<uint8_t> failureCount{0};
std::atomic<uint8_t> ClearBlurFlag{0};
std::atomic<uint16_t> ScreenSaveCount{0};
std::atomic<uint8_t> ScreenSaveFlag{0};
std::atomic<uint8_t> ScreenSaved{0};
std::atomic<uint8_t> ButtonScreenSaveCancelFlag{0};
std::atomic<uint16_t> SettingViewControllerThreshold{0};
std::atomic<uint8_t> SettingViewControllerThresholdFlag{0};
std::atomic<uint8_t> ViewControllerModeChangeFlag{0};
std::atomic<uint8_t> ViewControllerResChangeFlag{0};
std::atomic<uint8_t> ResManualChangeFlag{0};
std::atomic<MainPanel*> VCInstance{nullptr};
std::atomic<ThresholdView*> SVC{nullptr};

void requestThreshold(uint16_t threshold) {
  SettingViewControllerThreshold.store(threshold, std::memory_order_release);
  SettingViewControllerThresholdFlag.store(1, std::memory_order_release);
}

void resetRuntimeFlags() {
  TLMonitorID = 0;
  MonitorOnline = 0;
  PauseFlag = 1;
  PausedFlag = 0;
  failureCount = 0;
  ClearBlurFlag = 0;
  ScreenSaveCount = 0;
  ScreenSaveFlag = 0;
  ScreenSaved = 0;
  ButtonScreenSaveCancelFlag = 0;
  SettingViewControllerThreshold = 0;
  SettingViewControllerThresholdFlag = 0;
  ViewControllerModeChangeFlag = 0;
  ViewControllerResChangeFlag = 0;
  ResManualChangeFlag = 0;
  AutoRefreshTimerTurnOnFlag = 0;
  VCInstance = nullptr;
  SVC = nullptr;
}
