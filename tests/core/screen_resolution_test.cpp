#include "core/screen_resolution.h"

#include "core/app_delegate.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "link/monitor_commands.h"
#include "tests/support/fixture.h"

namespace {

std::vector<platform::DisplayMode> modes(std::initializer_list<std::pair<int, int>> sizes) {
  std::vector<platform::DisplayMode> list;
  for (auto [w, h] : sizes) list.push_back({uint64_t(w), uint64_t(h), 0});
  return list;
}

class ResolutionPanel : public MainPanel {
 public:
  void UIButtonTextAutoChange() override {}
  void ChangeResModeRadio() override { ++radioRefreshes; }
  void ChangeModeButton() override {}
  void showSaveOutcome(const std::string&) override {}
  void showResolutionOutcome(const std::string&, bool) override {}
  int radioRefreshes = 0;
};

class ScreenResolutionTest : public ModelTest {
 protected:
  void connectAt(double width, double height) {
    attachMonitor(1, {width, height});
    platform.displayList[0].modes =
        modes({{1600, 1200}, {1440, 900}, {1280, 800}, {1100, 825}, {825, 1100}});
    TLMonitorID = 1;
    VCInstance = &panel;
    delegate.SaveDefaultScreenResolution();
  }
  void resizeTo(double width, double height) {
    platform.displayList[0].bounds = platform::DisplaySize{width, height};
  }
  bool sentResolutionMode(uint8_t mode) const {
    for (const auto& frame : framesSent()) {
      if (frame == commandFrame(4, mode)) return true;
    }
    return false;
  }

  AppDelegate delegate;
  ResolutionPanel panel;
};

TEST_P(ScreenResolutionTest, ConnectedAtFlexibleSizeRemembersIt) {
  connectAt(1600, 1200);
  EXPECT_EQ(mainDefaultRes.width.load(), 1600u);
  EXPECT_EQ(mainDefaultRes.height.load(), 1200u);
  EXPECT_EQ(currentRes.width.load(), 1600u);
  EXPECT_EQ(currentRes.height.load(), 1200u);
}

TEST_P(ScreenResolutionTest, ConnectedAtFixedSizeReturnsTo1600x1200) {
  connectAt(1100, 825);
  EXPECT_EQ(currentRes.area(), 907500u);
  EXPECT_EQ(mainDefaultRes.width.load(), 1600u);
  EXPECT_EQ(mainDefaultRes.height.load(), 1200u);
  resizeTo(1100, 825);
  delegate.RestoreDefaultScreenResolution();
  ASSERT_FALSE(platform.appliedModes.empty());
  EXPECT_EQ(platform.appliedModes.back().second.width, 1600u);
}

TEST_P(ScreenResolutionTest, FixedModePickedThenSeenOnTheNextPass) {
  connectAt(1600, 1200);
  if (tenor()) ResManualChangeFlag = 1;  // the main panel marks the pick as the user's
  EXPECT_TRUE(delegate.SetDefaultScreenResolution());
  EXPECT_EQ(platform.systemLogLines,
            (std::vector<std::string>{"Resolution width:height  ==>>  1600:1200(1100, 825).\n",
                                      "Resolution width:height  ==>>  1440:900(1100, 825).\n",
                                      "Resolution width:height  ==>>  1280:800(1100, 825).\n",
                                      "Resolution width:height  ==>>  1100:825(1100, 825).\n",
                                      "Find out match resolution.\n",
                                      "Success setting new resolution.\n"}));
  takeStdout();
  ResChangeDetect();
  platform.drainMainQueue();
  if (tenor()) {
    EXPECT_FALSE(sentResolutionMode(2));
    EXPECT_EQ(ResCommMode.load(), 1);
    EXPECT_EQ(ResManualChangeFlag.load(), 1);  // cleared only once the worker has sent it
    ResManualChangeFlag = 2;
    ResChangeDetect();
    EXPECT_EQ(ResManualChangeFlag.load(), 0);
    EXPECT_EQ(panel.radioRefreshes, 0);
  } else {
    EXPECT_TRUE(sentResolutionMode(2));
    EXPECT_EQ(ResCommMode.load(), 2);
    EXPECT_NE(takeStdout().find("detect monitor changed to low res.\n"), std::string::npos);
    EXPECT_EQ(panel.radioRefreshes, 1);
  }
  EXPECT_EQ(currentRes.area(), 907500u);
}

struct Change {
  const char* name;
  std::pair<double, double> from, to;
  int reportedMode;  // 0 = nothing reported
};

TEST_P(ScreenResolutionTest, ChangesMadeElsewhere) {
  const Change changes[] = {
      {"fixed to flexible", {1100, 825}, {1440, 900}, 1},
      {"flexible to flexible", {1440, 900}, {1280, 800}, 0},
      {"rotation keeps the area", {1100, 825}, {825, 1100}, 0},
      {"flexible to fixed", {1440, 900}, {1100, 825}, 2},
  };
  for (const auto& c : changes) {
    platform.displayList.clear();
    platform.requests.clear();
    monitors.clear();
    ResCommMode = c.reportedMode == 1 ? 2 : 1;
    connectAt(c.from.first, c.from.second);
    takeStdout();
    resizeTo(c.to.first, c.to.second);
    ResChangeDetect();
    const std::string out = takeStdout();
    EXPECT_EQ(sentResolutionMode(1), c.reportedMode == 1) << c.name;
    EXPECT_EQ(sentResolutionMode(2), c.reportedMode == 2) << c.name;
    if (c.reportedMode == 1) {
      EXPECT_NE(out.find("detect monitor changed to high res.\n"), std::string::npos) << c.name;
      EXPECT_EQ(ResCommMode.load(), 1) << c.name;
    }
    EXPECT_EQ(currentRes.width.load(), uint64_t(c.to.first)) << c.name;
  }
}

TEST_P(ScreenResolutionTest, PortraitFixedSizeWhenLandscapeIsMissing) {
  connectAt(1600, 1200);
  platform.displayList[0].modes = modes({{1600, 1200}, {825, 1100}});
  EXPECT_TRUE(delegate.SetDefaultScreenResolution());
  EXPECT_EQ(platform.appliedModes.back().second.width, 825u);
  EXPECT_EQ(platform.appliedModes.back().second.height, 1100u);
}

// Each failure leaves the display alone and says why with its result.
TEST_P(ScreenResolutionTest, FailuresLeaveTheDisplayAloneAndSayWhy) {
  connectAt(1600, 1200);
  platform.configurationCompletes = false;
  ModeSwitch result = setDisplayResolution(1, 1100, 825);
  EXPECT_FALSE(result.switched);
  EXPECT_EQ(result.refusal, "the desktop refused it");
  EXPECT_EQ(platform.systemLogLines.back(), "Cancel resolution setting .xxxxxxxx.\n");
  EXPECT_EQ(setDefaultScreenResolution().refusal, "the desktop refused it");
  platform.configurationCompletes = true;
  platform.systemLogLines.clear();
  result = setDisplayResolution(1, 1024, 768);
  EXPECT_FALSE(result.switched);
  EXPECT_EQ(result.refusal, "the monitor has no 1024x768 mode");
  EXPECT_EQ(platform.systemLogLines.size(), 5u);  // every mode examined, nothing more
  platform.displayList[0].modes = modes({{1600, 1200}});
  EXPECT_EQ(setDefaultScreenResolution().refusal, "the monitor has no 1100x825 or 825x1100 mode");
  platform.displayList[0].modes.reset();
  result = setDisplayResolution(1, 1600, 1200);
  EXPECT_FALSE(result.switched);
  EXPECT_EQ(result.refusal, "the desktop lists no display modes for the monitor");
  EXPECT_TRUE(platform.appliedModes.empty());
}

TEST_P(ScreenResolutionTest, UnreadableSizeIsNoChange) {
  connectAt(1100, 825);
  ResCommMode = 2;
  platform.displayList[0].bounds.reset();
  ResChangeDetect();
  EXPECT_EQ(ResCommMode.load(), 2);
  EXPECT_EQ(currentRes.area(), 907500u);
}

INSTANTIATE_FOR_BOTH_MODELS(ScreenResolutionTest);

}  // namespace
