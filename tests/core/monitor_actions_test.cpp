#include "core/monitor_actions.h"

#include "core/app_delegate.h"
#include "core/mode_table.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "link/monitor_commands.h"
#include "tests/support/fixture.h"

namespace {

class MonitorActionsTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    PauseFlag = 0;
    MonitorOnline = 1;
    ResCommMode = 2;
    ShowMode = 5;
    Threshold = 230;
  }
  std::string saved() const { return readFile(home + "/.QuillMark"); }

  AppDelegate delegate;
};

TEST_P(MonitorActionsTest, ChoosingAModeIsCheckedAndTheModeInForceIsANoOp) {
  struct Case {
    const char* what;
    uint8_t online;
    unsigned showMode;
    ActionResult result;
  };
  const Case cases[] = {
      {"offline", 0, 4, ActionResult::kOffline},
      {"another family's mode", 1, 2, ActionResult::kInvalid},
      {"no ShowMode", 1, 7, ActionResult::kInvalid},
      {"the mode in force", 1, 5, ActionResult::kUnchanged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MonitorOnline = c.online;
    EXPECT_EQ(chooseShowMode(c.showMode), c.result);
    EXPECT_EQ(ShowMode.load(), 5);
    EXPECT_EQ(Threshold.load(), 230);
    EXPECT_EQ(ViewControllerModeChangeFlag.load(), 0);
    EXPECT_EQ(takeStdout(), "");
  }
  EXPECT_EQ(saved(), "");
}

TEST_P(MonitorActionsTest, AnotherModeIsRequestedTracedAndSavedAsThePanelsButtonDoes) {
  WorkMode = 3;
  EXPECT_EQ(chooseShowMode(6), ActionResult::kDone);
  EXPECT_EQ(ShowMode.load(), 6);
  EXPECT_EQ(WorkMode.load(), 1);
  EXPECT_EQ(ViewControllerModeChangeFlag.load(), 1);
  EXPECT_EQ(takeStdout().rfind("Switch to A16 mode.\n", 0), 0u);
  EXPECT_NE(saved().find("\n6\n1\n2\n230\n"), std::string::npos) << saved();
  // The worker's next pass: the mode, and no threshold for A16.
  attachMonitor();
  TLMonitorID = 1;
  delegate.heartPass();
  const auto sent = commandsSent();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.front(), std::make_pair(uint8_t{7}, uint8_t{6}));
}

// A change of resolution mode keeps the button and loads that mode's threshold.
TEST_P(MonitorActionsTest, ResolutionModeMovesToTheSameButtonWithItsThreshold) {
  struct Case {
    uint8_t from, showMode, to, expectedMode;
    uint16_t expectedThreshold;
  };
  const Case cases[] = {{2, 4, 1, 1, 140}, {2, 5, 1, 2, 190}, {2, 6, 1, 3, 230},
                        {1, 1, 2, 4, 160}, {1, 2, 2, 5, 190}, {1, 3, 2, 6, 230}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "ShowMode " << int(c.showMode));
    ResCommMode = c.from;
    ShowMode = c.showMode;
    Threshold = 230;
    ViewControllerResChangeFlag = 0;
    EXPECT_EQ(chooseResolutionMode(c.from), ActionResult::kUnchanged);
    EXPECT_EQ(ViewControllerResChangeFlag.load(), 0);
    EXPECT_EQ(chooseResolutionMode(c.to), ActionResult::kDone);
    EXPECT_EQ(ResCommMode.load(), c.to);
    EXPECT_EQ(ShowMode.load(), c.expectedMode);
    EXPECT_EQ(Threshold.load(), c.expectedThreshold);
    EXPECT_EQ(ViewControllerResChangeFlag.load(), 1);
    EXPECT_EQ(ResManualChangeFlag.load(), tenor() ? 1 : 0);
    ResManualChangeFlag = 0;
  }
}

// Every name on the outer surfaces finds its mode, and each mode its button.
TEST_P(MonitorActionsTest, TheTableNamesEachModeOnceInItsFamily) {
  for (const ModeRow& row : modeRows()) {
    SCOPED_TRACE(row.showMode);
    EXPECT_EQ(modeRow(row.showMode), &row);
    EXPECT_EQ(showModeNamed(row.name, row.resolutionMode), row.showMode);
    EXPECT_EQ(showModeOf(row.button, row.resolutionMode), row.showMode);
    EXPECT_EQ(row.defaultThreshold == 0, row.thresholdCommand == nullptr);
  }
  EXPECT_EQ(showModeNamed("floyd", 2), 0);
  EXPECT_EQ(showModeNamed("A5", 1), 0);
  EXPECT_STREQ(modeRow(3)->buttonCaption, tenor() ? "A16" : "16");
  EXPECT_STREQ(modeRow(6)->buttonCaption, "A61");
}

INSTANTIATE_FOR_BOTH_MODELS(MonitorActionsTest);

}  // namespace
