#pragma once
// The application delegate: launch and termination, the Parameter load and
// save, the monitor worker and screen-saver counter, the activity and hotkey
// handler, the refresh timer and the screen-resolution operations.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/app_framework.h"

// Event types the activity and hotkey handler sees: mouse moved, key down, scroll wheel.
constexpr uint64_t kActivityEventMask = 0x400420;

class AppDelegate {
 public:
  // Launch and termination.
  void applicationDidFinishLaunching();
  // Runs on the main thread once the Parameters are loaded and the worker
  // runs, before the launch waits: the window is shown with the user's
  // language and modes instead of the defaults.
  std::function<void()> beforeLaunchWait;
  void applicationWillTerminate();
  void fini_release();

  // The private data file.
  void restoreParameters();
  void saveParameters();
  bool globalSaveParameters();

  // The two background threads; neither returns. Each loop runs one pass per call
  // of heartPass / screenSaverTick, which tests call directly.
  [[noreturn]] void backgroundOperationHeart(void* unused);
  [[noreturn]] void backgroundOperationScreenSaver(void* unused);
  void heartPass();
  void screenSaverTick();

  // Hotkeys and activity, for every event of kActivityEventMask.
  void handleActivityEvent(const platform::Event& event);
  enum class Hotkey { kContrastUp, kContrastDown, kRefresh };
  void hotkeyPressed(Hotkey hotkey);
  // Activity anywhere in the session, from the session's idle source.
  void sessionActivity();
  // False where the session gives no idle time (a Wayland session without an
  // idle source): screen save is then never started by idle time, since the
  // user may be working where this program cannot see.
  std::atomic<bool> idleTimeKnown{true};
  // False in a session whose compositor keeps display modes to itself
  // (Wayland: Xwayland's outputs carry no EDID and are not the monitor).
  std::atomic<bool> displayModesChangeable{true};
  // True in a Wayland session whose desktop did not take the hotkeys as
  // global shortcuts: they act only in the program's own window.
  std::atomic<bool> globalHotkeysUnavailable{false};

  // The hotkeys' actions, with the model's limits, flags and log lines.
  void contrastStep(bool up);
  void refreshRequest();

  // The automatic refresh timer.
  void startRefreshTimer();
  void stopRefreshTimer();
  void autoRefreshTimer();
  std::optional<platform::TimerId> RefreshTimer;

  // Screen resolution.
  void SaveDefaultScreenResolution();
  bool SetDefaultScreenResolution();
  bool RestoreDefaultScreenResolution();

 private:
  void connectMonitor();
  void workingPass();
  void decodeStatus(const uint8_t* reply);
  void countFailure();

  uint8_t resendCounter_ = 0;
  std::atomic<bool> terminated_{false};
};

extern AppDelegate* appInstance;
