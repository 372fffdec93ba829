#include "core/monitor_actions.h"

#include <algorithm>
#include <mutex>

#include "base/model_profile.h"
#include "base/tl_log.h"
#include "core/app_delegate.h"
#include "core/mode_table.h"
#include "core/parameter_store.h"
#include "core/runtime_flags.h"
#include "core/ui_posts.h"
#include "link/monitor_commands.h"
#include "platform/mode_failure.h"
#include "platform/platform.h"

std::atomic<bool> resolutionChangeRefused{false};

namespace {

std::mutex gFailureMutex;
std::string gFailure;

void setFailure(const std::string& reason) {
  std::lock_guard<std::mutex> lock(gFailureMutex);
  gFailure = reason;
}

void save() {
  if (appInstance != nullptr) appInstance->globalSaveParameters();
}

// A hotkey is taken only with both a key and modifiers.
void takeHotkey(const HotkeyChoice& choice, std::atomic<uint32_t>& keyCode,
                std::atomic<uint32_t>& modifierFlags) {
  if (choice.keyCode == 0 || choice.modifierFlags == 0) return;
  keyCode = choice.keyCode;
  modifierFlags = choice.modifierFlags;
}

// The mode of the same button in the new family, with that mode's threshold.
void moveToFamily(uint8_t resolutionMode) {
  const ModeRow* row = modeRow(ShowMode.load());
  if (row == nullptr || row->resolutionMode == resolutionMode) return;
  const ModeRow* peer = modeRow(showModeOf(row->button, resolutionMode));
  if (peer == nullptr) return;
  ShowMode = peer->showMode;
  if (peer->defaultThreshold != 0) {
    Threshold = peer->defaultThreshold;
    SettingViewControllerThreshold = peer->defaultThreshold;
  }
}

}  // namespace

void requestShowMode(uint8_t showMode) {
  ShowMode = showMode;
  WorkMode = 1;
  ViewControllerModeChangeFlag = 1;
}

ActionResult chooseShowMode(unsigned showMode) {
  if (MonitorOnline.load() == 0) return ActionResult::kOffline;
  const ModeRow* row = modeRow(showMode);
  if (row == nullptr || row->resolutionMode != ResCommMode.load()) return ActionResult::kInvalid;
  if (ShowMode.load() == showMode) return ActionResult::kUnchanged;
  platform::app().standardOutput(row->panelTrace);
  requestShowMode(row->showMode);
  save();
  postChangeModeButton();
  return ActionResult::kDone;
}

bool requestResolutionMode(uint8_t resolutionMode) {
  const bool manualFlag = profile().usesResManualChangeFlag;
  if (manualFlag) ResManualChangeFlag = 1;
  bool switched = false;
  if (appInstance != nullptr) {
    switched = resolutionMode == 1 ? appInstance->RestoreDefaultScreenResolution()
                                   : appInstance->SetDefaultScreenResolution();
  }
  // Whether the desktop lists the monitor's modes at all: asked only where
  // the answer matters, not after every switch that happened.
  const auto modesKnown = [] {
    const auto modes = platform::displays().copyAllDisplayModes(TLMonitorID.load());
    return modes && !modes->empty();
  };
  const bool keptSize = !switched && modesKnown();
  const std::string reason = keptSize ? platform::lastModeFailure() : "";
  setFailure(!keptSize        ? ""
             : reason.empty() ? "the desktop kept the monitor's display mode"
                              : reason);
  // Only the fixed mode needs the screen at 1100x825: the monitor must not
  // expect it while it gets another size. Any size suits the flexible mode,
  // so the way back is recorded and sent though the screen kept its size
  // (the remembered size may be one the display lacks, or unknown), and the
  // status line says why.
  if (keptSize && resolutionMode == 2) {
    if (manualFlag) ResManualChangeFlag = 0;
    return false;
  }
  ResCommMode = resolutionMode;
  moveToFamily(resolutionMode);
  ViewControllerResChangeFlag = 1;
  // Recorded as always where the session gives the program no display modes
  // of the monitor: nothing changed on screen, and the status line says so.
  resolutionChangeRefused = !switched && appInstance != nullptr &&
                            !appInstance->displayModesChangeable.load() && !modesKnown();
  return true;
}

const char* resolutionRowTrace(uint8_t resolutionMode) {
  return resolutionMode == 1 ? "selected row 0.\n" : "selected row 1. \n";
}

std::string resolutionFailure() {
  std::lock_guard<std::mutex> lock(gFailureMutex);
  return gFailure;
}

ActionResult chooseResolutionMode(unsigned resolutionMode) {
  if (MonitorOnline.load() == 0) return ActionResult::kOffline;
  if (resolutionMode != 1 && resolutionMode != 2) return ActionResult::kInvalid;
  if (ResCommMode.load() == resolutionMode) return ActionResult::kUnchanged;
  platform::app().standardOutput(resolutionRowTrace(static_cast<uint8_t>(resolutionMode)));
  if (!requestResolutionMode(static_cast<uint8_t>(resolutionMode))) return ActionResult::kRefused;
  save();
  postChangeResModeRadio();
  postChangeModeButton();
  return ActionResult::kDone;
}

void previewThreshold(uint16_t threshold) {
  SettingViewControllerThreshold.store(threshold, std::memory_order_release);
  if (threshold != Threshold.load()) SettingViewControllerThresholdFlag.store(1);
}

void commitSettings(const SettingsChoice& choice) {
  WorkMode = choice.workMode;
  if (choice.showMode != 0) ShowMode = choice.showMode;
  Threshold = choice.threshold;
  FreshHandSoftEnable = choice.contrastHotkeysOn ? 1 : 0;
  FreshHandHardEnable = choice.refreshHotkeyOn ? 1 : 0;
  // Held to the range whatever reached the field, so the timer never runs faster.
  AutoFreshTime = static_cast<uint16_t>(std::clamp<uint32_t>(
      choice.refreshInterval, kShortestRefreshInterval, kLongestRefreshInterval));
  if (choice.autoRefresh) {
    FreshAutoEnable = 1;
    if (AutoRefreshTimerTurnOnFlag.load() == 1) {
      appInstance->stopRefreshTimer();
    } else {
      AutoRefreshTimerTurnOnFlag = 1;
    }
    appInstance->startRefreshTimer();
  } else {
    FreshAutoEnable = 0;
    if (AutoRefreshTimerTurnOnFlag.load() == 1) {
      AutoRefreshTimerTurnOnFlag = 0;
      appInstance->stopRefreshTimer();
    }
  }
  const ModeRow* row = modeRow(ShowMode.load());
  if (row == nullptr || row->scale != ThresholdScale::kNone) requestThreshold(Threshold.load());
  if (FreshHandSoftEnable.load() == 1) {
    takeHotkey(choice.contrastUp, ContrastHotkeyKeyCode, ContrastHotkeyModifierFlags);
    takeHotkey(choice.contrastDown, ContrastHotkeyDownKeyCode, ContrastHotkeyDownModifierFlags);
  }
  if (FreshHandHardEnable.load() == 1) {
    takeHotkey(choice.refresh, RefreshHotkeyKeyCode, RefreshHotkeyModifierFlags);
  }
  save();
}

void quitProgram() {
  if (file != nullptr) {
    std::fclose(file);
    file = nullptr;
  }
  tl_log_close();
  if (appInstance != nullptr) appInstance->fini_release();
  platform::app().exitProcess(0);
}
