#include <algorithm>

#include "core/app_delegate.h"
#include "core/link_state.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "core/screen_resolution.h"
#include "link/monitor_commands.h"
#include "tests/support/fixture.h"

namespace {

using Commands = std::vector<std::pair<uint8_t, uint8_t>>;

// Lets a test fail the next writes or reads on the monitor's bus.
class FlakyBus : public platform::I2CDevice {
 public:
  explicit FlakyBus(emulator::QuillmarkMonitor& monitor) : monitor_(monitor) {}
  bool write(uint8_t address, const uint8_t* data, uint32_t count) override {
    if (failWrites > 0) return --failWrites, false;
    return monitor_.write(address, data, count);
  }
  bool read(uint8_t address, uint8_t* data, uint32_t count) override {
    if (failReads > 0) return --failReads, false;
    return monitor_.read(address, data, count);
  }
  int failWrites = 0;
  int failReads = 0;

 private:
  emulator::QuillmarkMonitor& monitor_;
};

class CountingPanel : public MainPanel, public ThresholdView {
 public:
  void UIButtonTextAutoChange() override {}
  void ChangeResModeRadio() override {}
  void ChangeModeButton() override { ++modeButtonRefreshes; }
  void showSaveOutcome(const std::string&) override {}
  void showResolutionOutcome(const std::string&, bool) override {}
  void updateThreshold() override { ++thresholdUpdates; }
  int modeButtonRefreshes = 0;
  int thresholdUpdates = 0;
};

class MonitorWorkerTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    monitor = &attachMonitor(1);
    bus = std::make_unique<FlakyBus>(*monitor);
    platform.displayList[0].buses[0].device = bus.get();
    VCInstance = &panel;
  }
  // Detection and the connection sequence, then the worker runs.
  void connect() {
    delegate.heartPass();
    ASSERT_EQ(MonitorOnline.load(), 1);
    PauseFlag = 0;
  }
  // One working pass; returns the commands it wrote.
  Commands pass() {
    const size_t before = platform.requests.size();
    delegate.heartPass();
    return commandsSent(before);
  }
  bool contains(const Commands& commands, uint8_t type, uint8_t value) const {
    return std::find(commands.begin(), commands.end(), std::make_pair(type, value)) !=
           commands.end();
  }
  uint8_t limit() const { return tenor() ? 4 : 2; }

  AppDelegate delegate;
  emulator::QuillmarkMonitor* monitor = nullptr;
  std::unique_ptr<FlakyBus> bus;
  CountingPanel panel;
};

TEST_P(MonitorWorkerTest, DetectionEveryThreeSecondsWhileAbsent) {
  platform.displayList.clear();
  delegate.heartPass();
  delegate.heartPass();
  EXPECT_EQ(platform.sleeps, (std::vector<double>{3, 3}));
  const std::string out = takeStdout();
  size_t lines = 0;
  for (size_t at = out.find("before sleep 10s.\n"); at != std::string::npos;
       at = out.find("before sleep 10s.\n", at + 1)) {
    ++lines;
  }
  EXPECT_EQ(lines, 2u);
  EXPECT_EQ(MonitorOnline.load(), 0);
}

TEST_P(MonitorWorkerTest, ConnectionSequence) {
  ShowMode = 5;
  ResCommMode = 2;
  failureCount = 1;
  ScreenSaveFlag = 1;
  delegate.heartPass();
  EXPECT_EQ(MonitorOnline.load(), 1);
  EXPECT_EQ(failureCount.load(), 0);
  EXPECT_EQ(ScreenSaveFlag.load(), 0);
  EXPECT_EQ(commandsSent(), (Commands{{7, 5}, {6, 1}, {4, 2}}));
  // 5 s, the mode's 0.8 s, 0.1 + 0.1, the clear's 0.5, 0.1, the status read's 0.2.
  EXPECT_EQ(platform.sleeps, (std::vector<double>{5, 0.8, 0.1, 0.1, 0.5, 0.1, 0.2}));
  EXPECT_EQ(mainDefaultRes.width.load(), 1600u);
  EXPECT_EQ(currentRes.height.load(), 1200u);
  const auto state = monitor->state();
  EXPECT_EQ(state.showMode, 5);
  EXPECT_EQ(state.resolutionMode, 2);
  for (int type = 8; type <= 11; ++type) EXPECT_EQ(state.thresholds[type], 0);
}

TEST_P(MonitorWorkerTest, PausedPassIdles) {
  delegate.heartPass();
  const size_t before = platform.requests.size();
  platform.sleeps.clear();
  delegate.heartPass();
  EXPECT_EQ(platform.sleeps, std::vector<double>{1});
  EXPECT_EQ(PausedFlag.load(), 1);
  EXPECT_EQ(platform.requests.size(), before);
  PauseFlag = 0;
  pass();
  EXPECT_EQ(PausedFlag.load(), 0);
}

TEST_P(MonitorWorkerTest, IdlePassIsHeartbeatStatusAndPause) {
  connect();
  platform.sleeps.clear();
  const size_t before = platform.requests.size();
  EXPECT_EQ(pass(), (Commands{{1, 1}}));
  ASSERT_EQ(platform.requests.size(), before + 2);
  EXPECT_EQ(platform.requests.back().sent,
            (std::vector<uint8_t>{0x51, 0x82, 0x01, 0x08, 0x01, 0x01, 0xB4}));
  EXPECT_EQ(platform.sleeps, tenor() ? std::vector<double>{} : std::vector<double>{0.5});
}

TEST_P(MonitorWorkerTest, OneFailedHeartbeatThenGoodStatusKeepsTheLink) {
  connect();
  bus->failWrites = 1;
  pass();
  EXPECT_EQ(MonitorOnline.load(), 1);
  EXPECT_EQ(failureCount.load(), 0);
  EXPECT_NE(takeStdout().find("send heart failed.\n"), std::string::npos);
}

TEST_P(MonitorWorkerTest, FailedStatusReadsTakeTheLinkDownAfterEightSeconds) {
  connect();
  monitor->setFault(emulator::Fault::NoAnswer);
  for (int failures = 2; failures <= limit(); failures += 2) {
    platform.sleeps.clear();
    pass();
    EXPECT_EQ(failureCount.load(), failures);
    EXPECT_EQ(MonitorOnline.load(), failures >= limit() ? 0 : 1);
    // The pass ends at the failed read: no end-of-pass pause, but 8 s once the link drops.
    EXPECT_EQ(platform.sleeps,
              failures >= limit() ? std::vector<double>{8} : std::vector<double>{});
  }
  EXPECT_NE(takeStdout().find("xxxxxx   read data failure.\n"), std::string::npos);
  // Recovery: detection and the whole connection sequence again.
  monitor->setFault(emulator::Fault::None);
  EXPECT_EQ(pass(), (Commands{{7, 2}, {6, 1}, {4, 1}}));
  EXPECT_EQ(MonitorOnline.load(), 1);
  EXPECT_EQ(failureCount.load(), 0);
}

TEST_P(MonitorWorkerTest, FailedHeartbeatAtTheLimitDropsTheLinkAtOnce) {
  connect();
  failureCount = static_cast<uint8_t>(limit() - 1);
  bus->failWrites = 1;
  platform.sleeps.clear();
  pass();
  EXPECT_EQ(MonitorOnline.load(), 0);
  // The status poll still ran, succeeded and reset the count; no 8 s sleep.
  EXPECT_EQ(failureCount.load(), 0);
  EXPECT_EQ(std::count(platform.sleeps.begin(), platform.sleeps.end(), 8.0), 0);
  pass();  // detection and connection
  EXPECT_EQ(MonitorOnline.load(), 1);
}

// Given up after its failure limit, the link says why until the monitor is
// found again: the failed exchange's bus, or the display gone.
TEST_P(MonitorWorkerTest, LinkLossSaysWhyUntilTheMonitorIsBack) {
  connect();
  EXPECT_EQ(linkLoss(), "");
  failureCount = static_cast<uint8_t>(limit() - 1);
  bus->failWrites = 1;
  pass();
  ASSERT_EQ(MonitorOnline.load(), 0);
  EXPECT_EQ(linkLoss(), "the exchanges failed on bus 0");
  pass();
  ASSERT_EQ(MonitorOnline.load(), 1);
  EXPECT_EQ(linkLoss(), "");
  PauseFlag = 0;
  failureCount = static_cast<uint8_t>(limit() - 1);
  platform.displayList.clear();
  pass();
  ASSERT_EQ(MonitorOnline.load(), 0);
  EXPECT_EQ(linkLoss(), "the monitor's display is gone");
}

TEST_P(MonitorWorkerTest, ModeRequestThenDefaultThresholdOnTheNextPass) {
  connect();
  ShowMode = 4;
  ViewControllerModeChangeFlag = 1;
  EXPECT_EQ(pass(), (Commands{{7, 4}, {1, 1}}));
  EXPECT_EQ(Threshold.load(), 160);
  EXPECT_EQ(SettingViewControllerThreshold.load(), 160);
  EXPECT_EQ(SettingViewControllerThresholdFlag.load(), 1);
  EXPECT_EQ(pass(), (Commands{{11, 160}, {1, 1}}));
  EXPECT_NE(takeStdout().find("current mode is 4. d as 160\n"), std::string::npos);
}

TEST_P(MonitorWorkerTest, ModeDefaultsByMode) {
  connect();
  const std::pair<uint8_t, uint16_t> defaults[] = {{1, 140}, {2, 190}, {4, 160}, {5, 190}};
  for (auto [mode, threshold] : defaults) {
    ShowMode = mode;
    Threshold = 33;
    ViewControllerModeChangeFlag = 1;
    pass();
    EXPECT_EQ(Threshold.load(), threshold);
  }
  for (uint8_t mode : {3, 6}) {
    ShowMode = mode;
    Threshold = 33;
    SettingViewControllerThresholdFlag = 0;
    ViewControllerModeChangeFlag = 1;
    pass();
    EXPECT_EQ(Threshold.load(), 33);
    EXPECT_EQ(SettingViewControllerThresholdFlag.load(), 0);
  }
}

TEST_P(MonitorWorkerTest, ResolutionRequestThenThresholdOnTheNextPass) {
  connect();
  ShowMode = 3;
  ResCommMode = 2;
  ResManualChangeFlag = tenor() ? 1 : 0;
  ViewControllerResChangeFlag = 1;
  platform.sleeps.clear();
  EXPECT_EQ(pass(), (Commands{{4, 2}, {1, 1}}));
  EXPECT_EQ(platform.sleeps.front(), 0.2);
  EXPECT_EQ(platform.sleeps[1], 0.1);
  EXPECT_EQ(ViewControllerResChangeFlag.load(), 0);
  EXPECT_EQ(SettingViewControllerThresholdFlag.load(), 1);
  EXPECT_EQ(ResManualChangeFlag.load(), 0);  // Tenor: 1 -> 2 by the worker, 2 -> 0 by the watch
  takeStdout();
  const Commands next = pass();
  EXPECT_NE(takeStdout().find("unknown showmode 3.\n"), std::string::npos);
  EXPECT_EQ(contains(next, 6, 2), tenor());  // Tenor clears the screen after a resolution change
}

TEST_P(MonitorWorkerTest, ThresholdRequestUsesTheModesCommand) {
  connect();
  const std::tuple<uint8_t, uint16_t, uint8_t, uint8_t> cases[] = {
      {1, 200, 8, 8}, {2, 200, 9, 200}, {5, 100, 10, 130}, {4, 255, 11, 0}};
  for (auto [mode, threshold, type, value] : cases) {
    ShowMode = mode;
    requestThreshold(threshold);
    const Commands sent = pass();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0].first, type);
    if (type != 11) {
      EXPECT_EQ(sent[0].second, value);
    }
  }
  EXPECT_EQ(monitor->state().thresholds[11], tenor() ? 234 : 200);
}

// What --status and the D-Bus object say the monitor works with: nothing
// known from a connection on, then what was last sent or reported.
TEST_P(MonitorWorkerTest, ThresholdOnMonitorIsWhatWasLastSentOrReported) {
  ShowMode = 2;
  Threshold = 200;
  connect();
  EXPECT_EQ(ThresholdOnMonitor.load(), kThresholdNotSent);
  requestThreshold(170);
  pass();
  EXPECT_EQ(ThresholdOnMonitor.load(), 170);
  ShowMode = 3;  // A16 takes no threshold
  requestThreshold(100);
  pass();
  EXPECT_EQ(ThresholdOnMonitor.load(), 170);
  ShowMode = 2;
  monitor->reportThreshold(9, 4);
  pass();
  EXPECT_EQ(ThresholdOnMonitor.load(), 175);
  MonitorOnline = 0;
  delegate.heartPass();
  ASSERT_EQ(MonitorOnline.load(), 1);
  EXPECT_EQ(ThresholdOnMonitor.load(), kThresholdNotSent);
}

TEST_P(MonitorWorkerTest, ModeEventFromTheMonitor) {
  connect();
  ResCommMode = 2;
  ScreenSaved = 1;
  ScreenSaveCount = 9;
  monitor->pressModeButton(2);
  const Commands sent = pass();
  EXPECT_EQ(ShowMode.load(), 5);
  EXPECT_EQ(ScreenSaveFlag.load(), 0);
  EXPECT_EQ(ScreenSaveCount.load(), 0);
  EXPECT_EQ(ButtonScreenSaveCancelFlag.load(), 1);
  EXPECT_NE(takeStdout().find("____  change to show mode 5, packet_data 2.\n"), std::string::npos);
  EXPECT_EQ(platform.drainMainQueue(), 1u);
  EXPECT_EQ(panel.modeButtonRefreshes, 1);
  EXPECT_FALSE(contains(sent, 7, 5));  // not sent back to the monitor
  // The screen save begun on the monitor ended there: no screen-save-off command.
  EXPECT_FALSE(contains(pass(), 2, 0));
  EXPECT_EQ(ScreenSaved.load(), 0);
  EXPECT_EQ(ButtonScreenSaveCancelFlag.load(), 0);
}

TEST_P(MonitorWorkerTest, ModeEventDataRange) {
  connect();
  ResCommMode = 2;
  monitor->pressModeButton(5);
  pass();
  // Tenor takes data 1 to 6 (5 + 3 - 3 = 5); Alto only 1 to 3.
  EXPECT_EQ(ShowMode.load(), tenor() ? 5 : 2);
  ResCommMode = 1;
  monitor->pressModeButton(6);
  pass();
  EXPECT_EQ(ShowMode.load(), tenor() ? 6 : 2);
  EXPECT_EQ(ButtonScreenSaveCancelFlag.load(), 1);
}

TEST_P(MonitorWorkerTest, WakeEventCancelsScreenSaverOnly) {
  connect();
  monitor->wake();
  pass();
  EXPECT_EQ(ShowMode.load(), 2);
  EXPECT_NE(takeStdout().find("Cancel screen saver.\n"), std::string::npos);
  EXPECT_EQ(platform.drainMainQueue(), 0u);
}

TEST_P(MonitorWorkerTest, ThresholdEventsFromTheMonitor) {
  connect();
  SVC = &panel;
  const std::tuple<uint8_t, uint8_t, uint8_t, uint16_t, const char*> cases[] = {
      {1, 8, 3, 84, "received Floyd mode threshold is 84.\n"},
      {2, 9, 4, 175, "received A2 mode threshold is 175.\n"},
      {4, 11, 2, static_cast<uint16_t>(tenor() ? 73 : 95), nullptr},
  };
  for (auto [mode, type, level, expected, line] : cases) {
    ShowMode = mode;
    ScreenSaveCount = 5;
    monitor->reportThreshold(type, level);
    takeStdout();
    pass();
    EXPECT_EQ(Threshold.load(), expected);
    if (line != nullptr) {
      EXPECT_NE(takeStdout().find(line), std::string::npos);
    }
    EXPECT_EQ(ScreenSaveCount.load(), tenor() ? 0 : 5);
  }
  platform.drainMainQueue();
  EXPECT_EQ(panel.thresholdUpdates, tenor() ? 3 : 0);
}

TEST_P(MonitorWorkerTest, OtherEventsAreIgnoredOrLogged) {
  connect();
  Threshold = 123;
  monitor->reportThreshold(10, 3);
  pass();
  EXPECT_EQ(Threshold.load(), 123);
  monitor->reportThreshold(1, 5);
  takeStdout();
  pass();
  EXPECT_NE(takeStdout().find("unknown data type 5.\n"), std::string::npos);
}

TEST_P(MonitorWorkerTest, ScreenSaveOnRepeatAndOff) {
  connect();
  ScreenSaveTime = 3;
  for (int tick = 0; tick < 3; ++tick) delegate.screenSaverTick();
  EXPECT_EQ(ScreenSaveCount.load(), 3);
  EXPECT_EQ(ScreenSaveFlag.load(), 0);
  delegate.screenSaverTick();
  EXPECT_EQ(ScreenSaveFlag.load(), 1);

  int resends = 0;
  EXPECT_TRUE(contains(pass(), 2, 1));
  EXPECT_EQ(ScreenSaved.load(), 1);
  takeStdout();
  std::vector<int> resendPasses;
  for (int passNumber = 2; passNumber <= 300; ++passNumber) {
    if (contains(pass(), 2, 1)) resendPasses.push_back(passNumber);
  }
  resends = static_cast<int>(resendPasses.size());
  // Every pass from the 50th while the counter climbs to 255; it then wraps to 0.
  EXPECT_EQ(resendPasses.front(), 50);
  EXPECT_EQ(resendPasses.back(), 255);
  EXPECT_EQ(resends, 206);
  const std::string out = takeStdout();
  EXPECT_EQ(out.find("send screen save.\n") != std::string::npos, tenor());

  delegate.handleActivityEvent({platform::kEventMouseMoved, 0, 0, false});
  delegate.screenSaverTick();
  EXPECT_EQ(ScreenSaveFlag.load(), 0);
  EXPECT_TRUE(contains(pass(), 2, 0));
  EXPECT_EQ(ScreenSaved.load(), 0);
  EXPECT_FALSE(monitor->state().screenSaved);
}

// Activity while the screen-save command waits out its 0.6 s: the off command
// follows on the same pass instead of one pass later.
TEST_P(MonitorWorkerTest, ActivityDuringScreenSaveCommandEndsItOnThatPass) {
  connect();
  ScreenSaveFlag = 1;
  platform.onSleep = [this](double seconds) {
    if (seconds != 0.6 || ScreenSaveFlag.load() == 0) return;
    delegate.handleActivityEvent({platform::kEventMouseMoved, 0, 0, false});
    delegate.screenSaverTick();
  };
  const Commands sent = pass();
  platform.onSleep = nullptr;
  EXPECT_TRUE(contains(sent, 2, 1));
  EXPECT_TRUE(contains(sent, 2, 0));
  EXPECT_EQ(ScreenSaved.load(), 0);
  EXPECT_FALSE(monitor->state().screenSaved);
}

TEST_P(MonitorWorkerTest, CounterIdlesWhilePausedOrOffline) {
  delegate.screenSaverTick();
  EXPECT_EQ(ScreenSaveCount.load(), 0);
  MonitorOnline = 1;
  PauseFlag = 1;
  delegate.screenSaverTick();
  EXPECT_EQ(ScreenSaveCount.load(), 0);
  PauseFlag = 0;
  delegate.screenSaverTick();
  EXPECT_EQ(ScreenSaveCount.load(), 1);
  EXPECT_EQ(platform.sleeps, (std::vector<double>{1, 1, 1}));
}

TEST_P(MonitorWorkerTest, ClearRequests) {
  connect();
  const std::tuple<uint8_t, bool, uint8_t> cases[] = {{1, true, 0}, {2, true, 0}, {3, false, 3}};
  for (auto [flag, sends, after] : cases) {
    ClearBlurFlag = flag;
    const Commands sent = pass();
    EXPECT_EQ(contains(sent, 6, flag), sends);
    EXPECT_EQ(ClearBlurFlag.load(), after);
  }
}

INSTANTIATE_FOR_BOTH_MODELS(MonitorWorkerTest);

}  // namespace
