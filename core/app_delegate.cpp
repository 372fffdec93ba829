#include "core/app_delegate.h"

#include "core/monitor_actions.h"
#include "core/parameter_store.h"
#include "core/parameters.h"
#include "core/refresh_timer.h"
#include "core/runtime_flags.h"
#include "core/screen_resolution.h"
#include "link/monitor_commands.h"
#include "platform/platform.h"

AppDelegate* appInstance = nullptr;

void AppDelegate::applicationDidFinishLaunching() {
  appInstance = this;
  TLMonitorID = 0;
  MonitorOnline = 0;
  PauseFlag = 1;
  restoreParameters();
  auto& app = platform::app();
  app.startDetachedThread([this] { backgroundOperationHeart(nullptr); });
  app.startDetachedThread([this] { backgroundOperationScreenSaver(nullptr); });
  if (beforeLaunchWait) beforeLaunchWait();
  app.sleepFor(5);
  app.addGlobalEventMonitor(kActivityEventMask,
                            [this](const platform::Event& event) { handleActivityEvent(event); });
  app.addLocalEventMonitor(kActivityEventMask, [this](const platform::Event& event) {
    handleActivityEvent(event);
    return true;
  });
  PauseFlag = 0;
  if (MainPanel* panel = VCInstance.load()) {
    panel->UIButtonTextAutoChange();
    panel->ChangeResModeRadio();
    panel->ChangeModeButton();
  }
}

// Runs once, whichever of the platform's ends (signal, session end, quit) comes first.
void AppDelegate::applicationWillTerminate() {
  if (terminated_.exchange(true)) return;
  platform::app().systemLog("--------- ...\n");
  closeForExit();
}

void AppDelegate::fini_release() {
  stopRefreshTimer();
}

void AppDelegate::restoreParameters() {
  restoreParameterFile();
}

void AppDelegate::saveParameters() {
  saveParameterFile();
}

bool AppDelegate::globalSaveParameters() {
  saveParameters();
  return true;
}

void AppDelegate::backgroundOperationHeart(void*) {
  for (;;) heartPass();
}

void AppDelegate::backgroundOperationScreenSaver(void*) {
  for (;;) screenSaverTick();
}

void AppDelegate::heartPass() {
  worker_.heartPass();
}

void AppDelegate::screenSaverTick() {
  worker_.screenSaverTick();
}

void AppDelegate::handleActivityEvent(const platform::Event& event) {
  ::handleActivityEvent(event);
}

void AppDelegate::hotkeyPressed(Hotkey hotkey) {
  ::hotkeyPressed(hotkey);
}

void AppDelegate::sessionActivity() {
  ::sessionActivity();
}

void AppDelegate::contrastStep(bool up) {
  ::contrastStep(up);
}

void AppDelegate::refreshRequest() {
  ::refreshRequest();
}

void AppDelegate::startRefreshTimer() {
  ::startRefreshTimer();
}

void AppDelegate::stopRefreshTimer() {
  ::stopRefreshTimer();
}

void AppDelegate::autoRefreshTimer() {
  ::autoRefreshTimer();
}

void AppDelegate::SaveDefaultScreenResolution() {
  saveDefaultScreenResolution();
}

bool AppDelegate::SetDefaultScreenResolution() {
  return setDefaultScreenResolution().switched;
}

bool AppDelegate::RestoreDefaultScreenResolution() {
  return restoreDefaultScreenResolution().switched;
}
