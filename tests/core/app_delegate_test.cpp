#include "core/app_delegate.h"

#include "base/tl_log.h"
#include "core/parameters.h"
#include "core/refresh_timer.h"
#include "core/runtime_flags.h"
#include "link/monitor_commands.h"
#include "tests/support/fixture.h"

namespace {

class RecordingPanel : public MainPanel {
 public:
  void UIButtonTextAutoChange() override { calls.push_back("UIButtonTextAutoChange"); }
  void ChangeResModeRadio() override { calls.push_back("ChangeResModeRadio"); }
  void ChangeModeButton() override { calls.push_back("ChangeModeButton"); }
  void showSaveOutcome(const std::string&) override {}
  void showResolutionOutcome(const std::string&, bool) override {}
  std::vector<std::string> calls;
};

class AppDelegateTest : public ModelTest {
 protected:
  AppDelegate delegate;
  RecordingPanel panel;
};

TEST_P(AppDelegateTest, LaunchSequenceInOrder) {
  writeFile(home + "/tl.log", "last run\n");
  writeFile(home + "/.QuillMark", "1\n1\n1\n120\n10\n1\n5\n1\n2\n150\n2\n");
  TLMonitorID = 9;
  MonitorOnline = 1;
  VCInstance = &panel;
  bool checkedDuringSleep = false;
  platform.onSleep = [&](double seconds) {
    EXPECT_EQ(seconds, 5);
    EXPECT_EQ(PauseFlag.load(), 1);
    EXPECT_EQ(platform.startedThreads.size(), 2u);
    EXPECT_TRUE(platform.monitors.empty());
    EXPECT_TRUE(panel.calls.empty());
    checkedDuringSleep = true;
  };
  delegate.applicationDidFinishLaunching();
  EXPECT_TRUE(checkedDuringSleep);
  EXPECT_EQ(appInstance, &delegate);
  EXPECT_EQ(TLMonitorID.load(), 0u);
  EXPECT_EQ(MonitorOnline.load(), 0);
  EXPECT_EQ(PauseFlag.load(), 0);
  EXPECT_EQ(Threshold.load(), 150);
  EXPECT_EQ(ResCommMode.load(), 2);
  ASSERT_EQ(platform.monitors.size(), 2u);
  auto monitor = platform.monitors.begin();
  EXPECT_TRUE(monitor->second.global);
  EXPECT_EQ(monitor->second.mask, 0x400420u);
  EXPECT_FALSE(std::next(monitor)->second.global);
  EXPECT_EQ(std::next(monitor)->second.mask, 0x400420u);
  EXPECT_EQ(panel.calls, (std::vector<std::string>{"UIButtonTextAutoChange", "ChangeResModeRadio",
                                                   "ChangeModeButton"}));
  // Automatic refresh is on in the file, yet no timer runs until the settings say so.
  EXPECT_TRUE(platform.timers.empty());
  EXPECT_EQ(readFile(home + "/tl.log").find("last run"), std::string::npos);
}

TEST_P(AppDelegateTest, LocalMonitorLetsEveryEventThrough) {
  delegate.applicationDidFinishLaunching();
  ScreenSaveCount = 7;
  EXPECT_TRUE(platform.sendEvent({platform::kEventKeyDown, 0, 0, true}, true));
  EXPECT_EQ(ScreenSaveCount.load(), 0);
}

TEST_P(AppDelegateTest, LaunchWithoutPanelDoesNothingThroughIt) {
  delegate.applicationDidFinishLaunching();
  EXPECT_EQ(PauseFlag.load(), 0);
}

TEST_P(AppDelegateTest, TerminationClosesTheLogAndStopsTheTimer) {
  appInstance = &delegate;
  base::tl_log("running\n");
  delegate.startRefreshTimer();
  delegate.applicationWillTerminate();
  EXPECT_EQ(platform.systemLogLines.back(), "--------- ...\n");
  EXPECT_FALSE(base::tl_log_is_open());
  ASSERT_EQ(platform.timers.size(), 1u);
  EXPECT_FALSE(platform.timers.begin()->second.valid);
  EXPECT_TRUE(RefreshTimer.has_value());
}

TEST_P(AppDelegateTest, RefreshTimerIntervalAndAction) {
  const std::pair<uint16_t, double> intervals[] = {{120, 120}, {15, 15},   {0, 15},
                                                   {14, 15},   {600, 600}, {5000, 600}};
  for (auto [configured, expected] : intervals) {
    AutoFreshTime = configured;
    delegate.startRefreshTimer();
    EXPECT_EQ(platform.timers.at(*RefreshTimer).interval, expected);
    delegate.stopRefreshTimer();
  }
  EXPECT_EQ(platform.systemLogLines.front(), "Start refresh timer with interval 120.000000.\n");

  AutoFreshTime = 60;
  delegate.startRefreshTimer();
  auto& timer = platform.timers.at(*RefreshTimer);
  const std::tuple<uint8_t, uint8_t, uint8_t> cases[] = {{0, 1, 2}, {1, 1, 0}, {0, 0, 0}};
  for (auto [saved, enabled, expectedFlag] : cases) {
    ScreenSaved = saved;
    FreshAutoEnable = enabled;
    ClearBlurFlag = 0;
    timer.action();
    EXPECT_EQ(ClearBlurFlag.load(), expectedFlag);
  }
  EXPECT_EQ(platform.systemLogLines.back(), "auto refresh clean blur+++++++++.\n");
}

INSTANTIATE_FOR_BOTH_MODELS(AppDelegateTest);

}  // namespace
