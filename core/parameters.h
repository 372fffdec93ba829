#pragma once
// The control core: the user's Parameters and the Runtime flags through which
// the UI, the hotkeys and the timers talk to the monitor worker. The core
// depends on the monitor link and the platform layer; it includes no Qt header.
//
// Each Parameter is a process-wide variable of its exact width. Requesters
// store a value with release order before raising the flag that announces it;
// the worker clears the flag and then reads the value with acquire order.

#include <atomic>
#include <cstdint>

extern std::atomic<uint8_t> FreshAutoEnable;
extern std::atomic<uint8_t> FreshHandSoftEnable;
extern std::atomic<uint8_t> FreshHandHardEnable;
extern std::atomic<uint16_t> AutoFreshTime;
extern std::atomic<uint16_t> ScreenSaveTime;
extern std::atomic<uint8_t> AutoRefreshTimerTurnOnFlag;
extern std::atomic<uint8_t> ShowMode;
extern std::atomic<uint8_t> WorkMode;
extern std::atomic<uint8_t> ResCommMode;
extern std::atomic<uint16_t> Threshold;
extern std::atomic<uint8_t> Language;
extern std::atomic<uint32_t> ContrastHotkeyModifierFlags;
extern std::atomic<uint32_t> ContrastHotkeyKeyCode;
extern std::atomic<uint32_t> RefreshHotkeyModifierFlags;
extern std::atomic<uint32_t> RefreshHotkeyKeyCode;
extern std::atomic<uint32_t> ContrastHotkeyDownModifierFlags;
extern std::atomic<uint32_t> ContrastHotkeyDownKeyCode;

// Never stored or changed: the resolution the current-settings view shows.
extern const int32_t Display_X;
extern const int32_t Display_Y;

constexpr uint8_t kLanguageChinese = 1;
constexpr uint8_t kLanguageEnglish = 2;

// AutoFreshTime is held to this range, whatever reached the dialog or the file.
constexpr uint16_t kShortestRefreshInterval = 15;
constexpr uint16_t kLongestRefreshInterval = 600;

// Sets every Parameter back to its default, as at program start.
void resetParameters();
