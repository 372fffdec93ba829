#include "core/monitor_actions.h"

#include <algorithm>

#include "base/model_profile.h"
#include "base/tl_log.h"
#include "core/mode_table.h"
#include "core/parameter_store.h"
#include "core/refresh_timer.h"
#include "core/runtime_flags.h"
#include "core/screen_resolution.h"
#include "core/session_capabilities.h"
#include "core/ui_posts.h"
#include "link/monitor_commands.h"
#include "platform/platform.h"

namespace {

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

namespace {

ActionResult showChosenMode(unsigned showMode) {
  if (MonitorOnline.load() == 0) return ActionResult::kOffline;
  const ModeRow* row = modeRow(showMode);
  if (row == nullptr || row->resolutionMode != ResCommMode.load()) return ActionResult::kInvalid;
  if (ShowMode.load() == showMode) return ActionResult::kUnchanged;
  platform::app().standardOutput(row->panelTrace);
  requestShowMode(row->showMode);
  postChangeModeButton();
  return ActionResult::kDone;
}

}  // namespace

namespace {

// A choice in force is kept; one whose save failed says so to its caller
// (the panel's line says it too).
ActionResult saveChoice(std::string* failure) {
  const std::string problem = saveParameterFile();
  if (problem.empty()) return ActionResult::kDone;
  if (failure != nullptr) *failure = problem;
  return ActionResult::kNotSaved;
}

}  // namespace

ActionResult chooseShowMode(unsigned showMode, std::string* failure) {
  const ActionResult result = showChosenMode(showMode);
  return result == ActionResult::kDone ? saveChoice(failure) : result;
}

ActionResult pressModeButtonFor(ModeButton button) {
  return showChosenMode(showModeOf(button, ResCommMode.load()));
}

ResolutionOutcome requestResolutionMode(uint8_t resolutionMode) {
  const bool manualFlag = base::profile().usesResManualChangeFlag;
  if (manualFlag) ResManualChangeFlag = 1;
  const ModeSwitch modeSwitch =
      resolutionMode == 1 ? restoreDefaultScreenResolution() : setDefaultScreenResolution();
  // Whether the desktop lists the monitor's modes at all: asked once, and
  // only where the answer matters, not after every switch that happened.
  bool modesKnown = false;
  if (!modeSwitch.switched) {
    const auto modes = platform::displays().copyAllDisplayModes(TLMonitorID.load());
    modesKnown = modes && !modes->empty();
  }
  ResolutionOutcome outcome;
  if (!modeSwitch.switched && modesKnown) {
    outcome.failure = modeSwitch.refusal.empty() ? "the desktop kept the monitor's display mode"
                                                 : modeSwitch.refusal;
  }
  // Only the fixed mode needs the screen at 1100x825: the monitor must not
  // expect it while it gets another size. Any size suits the flexible mode,
  // so the way back is recorded and sent though the screen kept its size
  // (the remembered size may be one the display lacks, or unknown), and the
  // status line says why.
  if (!outcome.failure.empty() && resolutionMode == 2) {
    if (manualFlag) ResManualChangeFlag = 0;
    postResolutionOutcome(outcome.failure, false);
    return outcome;
  }
  ResCommMode = resolutionMode;
  moveToFamily(resolutionMode);
  ViewControllerResChangeFlag = 1;
  outcome.taken = true;
  // Recorded as always where the session gives the program no display modes
  // of the monitor: nothing changed on screen, and the status line says so.
  outcome.changeRefused =
      !modeSwitch.switched && !sessionCapabilities().displayModesChangeable.load() && !modesKnown;
  postResolutionOutcome(outcome.failure, outcome.changeRefused);
  return outcome;
}

const char* resolutionRowTrace(uint8_t resolutionMode) {
  return resolutionMode == 1 ? "selected row 0.\n" : "selected row 1. \n";
}

ActionResult chooseResolutionMode(unsigned resolutionMode, std::string* failure) {
  if (MonitorOnline.load() == 0) return ActionResult::kOffline;
  if (resolutionMode != 1 && resolutionMode != 2) return ActionResult::kInvalid;
  if (ResCommMode.load() == resolutionMode) return ActionResult::kUnchanged;
  platform::app().standardOutput(resolutionRowTrace(static_cast<uint8_t>(resolutionMode)));
  const ResolutionOutcome outcome = requestResolutionMode(static_cast<uint8_t>(resolutionMode));
  if (!outcome.taken) {
    if (failure != nullptr) *failure = outcome.failure;
    return ActionResult::kRefused;
  }
  const ActionResult saved = saveChoice(failure);
  postChangeResModeRadio();
  postChangeModeButton();
  return saved;
}

void previewThreshold(uint16_t threshold) {
  SettingViewControllerThreshold.store(threshold, std::memory_order_release);
  if (threshold != Threshold.load()) SettingViewControllerThresholdFlag.store(1);
}

void withdrawThresholdPreview(uint16_t previewed) {
  SettingViewControllerThreshold = Threshold.load();
  if (previewed != Threshold.load()) SettingViewControllerThresholdFlag = 1;
}

void resendResolutionMode() {
  ViewControllerResChangeFlag = 1;
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
      stopRefreshTimer();
    } else {
      AutoRefreshTimerTurnOnFlag = 1;
    }
    startRefreshTimer();
  } else {
    FreshAutoEnable = 0;
    if (AutoRefreshTimerTurnOnFlag.load() == 1) {
      AutoRefreshTimerTurnOnFlag = 0;
      stopRefreshTimer();
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
  saveParameterFile();
}

void closeForExit() {
  if (file != nullptr) {
    std::fclose(file);
    file = nullptr;
  }
  base::tl_log_close();
  stopRefreshTimer();
}

void quitProgram() {
  closeForExit();
  platform::app().exitProcess(0);
}
