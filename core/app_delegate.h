#pragma once
// The application delegate: the program's entry points for launch and
// termination, the Parameter load and save, the monitor worker and
// screen-saver counter, the activity and hotkey handler, the refresh timer
// and the screen-resolution operations. Each hands over to the part of core
// that does the work.

#include <atomic>
#include <functional>

#include "core/hotkeys.h"
#include "core/monitor_worker.h"
#include "platform/app_framework.h"

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
  using Hotkey = ::Hotkey;
  void hotkeyPressed(Hotkey hotkey);
  void sessionActivity();
  void contrastStep(bool up);
  void refreshRequest();

  // The automatic refresh timer.
  void startRefreshTimer();
  void stopRefreshTimer();
  void autoRefreshTimer();

  // Screen resolution.
  void SaveDefaultScreenResolution();
  bool SetDefaultScreenResolution();
  bool RestoreDefaultScreenResolution();

 private:
  MonitorWorker worker_;
  std::atomic<bool> terminated_{false};
};

extern AppDelegate* appInstance;
