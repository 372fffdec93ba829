#include "core/monitor_worker.h"

#include "base/model_profile.h"
#include "base/tl_log.h"
#include "core/link_state.h"
#include "core/mode_table.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "core/screen_resolution.h"
#include "core/session_capabilities.h"
#include "core/threshold_mapping.h"
#include "core/ui_posts.h"
#include "link/ddc_transport.h"
#include "link/display_discovery.h"
#include "link/monitor_commands.h"
#include "platform/platform.h"

namespace {

constexpr uint8_t kResendAfterPasses = 50;

void sendResolutionMode() {
  const uint8_t mode = ResCommMode.load();
  if (mode == 1 || mode == 2) SendMonitorRes(mode);
}

// threshold is what value stands for on the scale of Threshold.
void sendThresholdForMode(uint8_t mode, uint8_t value, uint16_t threshold) {
  const ModeRow* row = modeRow(mode);
  if (row != nullptr && row->thresholdCommand != nullptr) {
    row->thresholdCommand(value);
    ThresholdOnMonitor = threshold;
  } else {
    base::tl_log("unknown showmode %d.\n", mode);
  }
}

const char* thresholdEventName(uint8_t type) {
  switch (type) {
    case 8:
      return "Floyd";
    case 9:
      return "A2";
    default:
      return "A5";
  }
}

void countFailure() {
  failureCount = static_cast<uint8_t>(failureCount.load() + 1);
}

// The link goes down with the reason the user is told until it is back.
void giveUpTheLink(const ExchangeProblem& problem) {
  publishLinkLoss(problem);
  MonitorOnline = 0;
}

void cancelScreenSaveFromMonitor() {
  ScreenSaveFlag = 0;
  ScreenSaveCount = 0;
  ButtonScreenSaveCancelFlag = 1;
}

}  // namespace

void MonitorWorker::screenSaverTick() {
  platform::app().sleepFor(1);
  if (PauseFlag.load() == 1 || MonitorOnline.load() == 0 ||
      !sessionCapabilities().idleTimeKnown.load())
    return;
  uint16_t count = ScreenSaveCount.load();
  if (count >= ScreenSaveTime.load()) {
    ScreenSaveFlag = 1;
    return;
  }
  ScreenSaveFlag = 0;
  // A reset by user activity between the load and this store wins over the increment.
  ScreenSaveCount.compare_exchange_strong(count, static_cast<uint16_t>(count + 1));
}

void MonitorWorker::heartPass() {
  if (MonitorOnline.load() == 0) {
    const Detection detection = detectMonitor();
    publishDetection(detection);
    if (detection.found) {
      connectMonitor();
    } else {
      base::tl_log("before sleep 10s.\n");
      platform::app().sleepFor(3);
    }
  } else if (PauseFlag.load() == 1) {
    platform::app().sleepFor(1);
    PausedFlag = 1;
  } else {
    workingPass();
  }
}

void MonitorWorker::connectMonitor() {
  failureCount = 0;
  ThresholdOnMonitor = kThresholdNotSent;
  MonitorOnline = 1;
  platform::app().sleepFor(5);
  SendModeSelect(ShowMode.load());
  platform::app().sleepFor(0.1);
  platform::app().sleepFor(0.1);
  SendClearMonitor(true);
  platform::app().sleepFor(0.1);
  sendResolutionMode();
  ScreenSaveFlag = 0;
  ButtonScreenSaveCancelFlag = 0;
  saveDefaultScreenResolution();
}

void MonitorWorker::workingPass() {
  const base::ModelProfile& model = base::profile();
  PausedFlag = 0;

  const uint8_t clear = ClearBlurFlag.load();
  if (clear == 1 || clear == 2) {
    SendClearMonitor(clear == 1);
    ClearBlurFlag = 0;
  }

  if (ScreenSaveFlag.load() != 0 && ScreenSaved.load() == 0) {
    ScreenSaved = 1;
    SendScreenSave(true);
  }
  // Tested anew: activity during the screen-save command ends it on this pass.
  if (ScreenSaveFlag.load() == 0 && ScreenSaved.load() == 1) {
    ScreenSaved = 0;
    if (ButtonScreenSaveCancelFlag.load() == 0) SendScreenSave(false);
  }
  ButtonScreenSaveCancelFlag = 0;

  if (ScreenSaved.load() == 1) {
    ++resendCounter_;
    if (model.logsScreenSaveResend) base::tl_log("send screen save.\n");
    if (resendCounter_ >= kResendAfterPasses) SendScreenSave(true);
  } else {
    resendCounter_ = 0;
  }

  if (SettingViewControllerThresholdFlag.load() == 1) {
    SettingViewControllerThresholdFlag.store(0);
    const uint16_t threshold = SettingViewControllerThreshold.load(std::memory_order_acquire);
    const auto value = static_cast<uint8_t>(threshold_calculate(threshold));
    const uint8_t mode = ShowMode.load();
    base::tl_log("current mode is %d. d as %d\n", mode, value);
    sendThresholdForMode(mode, value, threshold);
  }

  if (ViewControllerResChangeFlag.load() == 1) {
    sendResolutionMode();
    platform::app().sleepFor(0.1);
    ViewControllerResChangeFlag = 0;
    SettingViewControllerThresholdFlag = 1;
    if (model.clearsAfterResolutionRequest) {
      if (ResManualChangeFlag.load() == 1) ResManualChangeFlag = 2;
      ClearBlurFlag = 2;
    }
  }

  if (ViewControllerModeChangeFlag.load() == 1) {
    ViewControllerModeChangeFlag = 0;
    const uint8_t mode = ShowMode.load();
    SendModeSelect(mode);
    const ModeRow* row = modeRow(mode);
    if (const uint16_t threshold = row != nullptr ? row->defaultThreshold : 0) {
      Threshold = threshold;
      requestThreshold(threshold);
    }
  }

  ExchangeProblem problem;
  if (!SendHeartSignal(true, &problem)) {
    countFailure();
    if (failureCount.load() >= model.failureLimit) giveUpTheLink(problem);
    base::tl_log("send heart failed.\n");
  }

  uint8_t reply[kStatusReplyLength] = {};
  if (!TLMonitorReadData(TLMonitorID.load(), kStatusRequestData, 2, reply, kStatusReplyLength,
                         &problem)) {
    countFailure();
    if (failureCount.load() >= model.failureLimit) {
      platform::app().sleepFor(8);
      giveUpTheLink(problem);
    }
    base::tl_log("xxxxxx   read data failure.\n");
    return;
  }
  failureCount = 0;
  decodeStatus(reply);

  ResChangeDetect();
  if (model.endOfPassSleep > 0) platform::app().sleepFor(model.endOfPassSleep);
}

void MonitorWorker::decodeStatus(const uint8_t* reply) {
  const uint8_t type = reply[7];
  const uint8_t data = reply[9] & 0x0F;
  switch (type) {
    case kHeartSignal:
      if (data != 2) base::tl_log("unknown data type %d.\n", data);
      break;
    case kModeSelect:
      if (data >= 1 && data <= base::profile().modeEventMaxData) {
        const uint8_t mode = showModeOfEvent(data, ResCommMode.load());
        ShowMode = mode;
        base::tl_log("____  change to show mode %d, packet_data %d.\n", mode, data);
        postChangeModeButton();
      } else if (data == 8) {
        base::tl_log("Cancel screen saver.\n");
      }
      cancelScreenSaveFromMonitor();
      break;
    case kMonitorFloydThreshold:
    case kMonitorA2Threshold:
    case kMonitorLowA5Threshold:
      Threshold = convert_to_threshold(data);
      ThresholdOnMonitor = Threshold.load();
      base::tl_log("received %s mode threshold is %d.\n", thresholdEventName(type),
                   Threshold.load());
      if (base::profile().thresholdEventCancelsScreenSave) {
        cancelScreenSaveFromMonitor();
        if (SVC.load() != nullptr) postUpdateThreshold();
      }
      break;
    default:
      break;
  }
}
