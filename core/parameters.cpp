#include "core/parameters.h"

std::atomic<uint8_t> FreshAutoEnable;
std::atomic<uint8_t> FreshHandSoftEnable;
std::atomic<uint8_t> FreshHandHardEnable;
std::atomic<uint16_t> AutoFreshTime;
std::atomic<uint16_t> ScreenSaveTime;
std::atomic<uint8_t> AutoRefreshTimerTurnOnFlag;
std::atomic<uint8_t> ShowMode;
std::atomic<uint8_t> WorkMode;
std::atomic<uint8_t> ResCommMode;
std::atomic<uint16_t> Threshold;
std::atomic<uint8_t> Language;
std::atomic<uint32_t> ContrastHotkeyModifierFlags;
std::atomic<uint32_t> ContrastHotkeyKeyCode;
std::atomic<uint32_t> RefreshHotkeyModifierFlags;
std::atomic<uint32_t> RefreshHotkeyKeyCode;
std::atomic<uint32_t> ContrastHotkeyDownModifierFlags;
std::atomic<uint32_t> ContrastHotkeyDownKeyCode;

const int32_t Display_X = 2000;
const int32_t Display_Y = 1600;

namespace {
constexpr uint32_t kControl = 0x40000;
}

void resetParameters() {
  FreshAutoEnable = 0;
  FreshHandSoftEnable = 0;
  FreshHandHardEnable = 0;
  AutoFreshTime = 120;
  ScreenSaveTime = 10;
  AutoRefreshTimerTurnOnFlag = 0;
  ShowMode = 2;
  WorkMode = 1;
  ResCommMode = 1;
  Threshold = 200;
  Language = 1;
  ContrastHotkeyModifierFlags = kControl;
  ContrastHotkeyKeyCode = 32;
  RefreshHotkeyModifierFlags = kControl;
  RefreshHotkeyKeyCode = 7;
  ContrastHotkeyDownModifierFlags = kControl;
  ContrastHotkeyDownKeyCode = 2;
}

namespace {
// The defaults are in force from the start, before main() runs.
const bool gDefaultsSet = (resetParameters(), true);
}  // namespace
