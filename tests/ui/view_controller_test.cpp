#include "ui/view_controller.h"

#include <QLabel>
#include <cerrno>
#include <cstring>

#include "base/tl_log.h"
#include "core/app_delegate.h"
#include "core/link_state.h"
#include "core/monitor_actions.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "core/screen_resolution.h"
#include "core/session_capabilities.h"
#include "link/monitor_commands.h"
#include "tests/support/fixture.h"

namespace {

class ViewControllerTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    auto& display = platform.addDisplay(1, {});
    display.modes = std::vector<platform::DisplayMode>{{1600, 1200, 0}, {1100, 825, 0}};
    TLMonitorID = 1;
    panel = std::make_unique<ViewController>();
  }
  void TearDown() override {
    panel.reset();
    ModelTest::TearDown();
  }
  bool saved() const { return !readFile(home + "/.QuillMark").empty(); }
  std::vector<bool> enabledButtons() const {
    return {panel->A5ButtonRef->isEnabled(), panel->A2ButtonRef->isEnabled(),
            panel->A16ButtonRef->isEnabled()};
  }

  AppDelegate delegate;
  std::unique_ptr<ViewController> panel;
};

TEST_P(ViewControllerTest, LoadSetsVCInstanceAndCaptions) {
  EXPECT_EQ(VCInstance.load(), panel.get());
  EXPECT_EQ(panel->SettingButtonRef->text(), QString::fromUtf8("设置"));
  EXPECT_EQ(panel->ResCommModeRadioRef->cells()[1]->text(), QString::fromUtf8("固定1100x825模式"));
  for (uint8_t language : {2, 3, 0}) {
    Language = language;
    panel->UIButtonTextAutoChange();
    EXPECT_EQ(panel->ResCommModeRadioRef->cells()[0]->text(), "Flexiable RES mode");
    EXPECT_EQ(panel->ResCommModeRadioRef->cells()[1]->text(), "Fix 1100x825 mode");
    EXPECT_EQ(panel->SettingButtonRef->text(), "Setting");
    EXPECT_EQ(panel->ExitButtonRef->text(), "Exit");
  }
}

// Until the first detection ends, the line says the program is looking.
TEST_P(ViewControllerTest, StatusLineShowsTheLink) {
  panel->UIButtonTextAutoChange();
  EXPECT_EQ(panel->StatusLine->text(), QString::fromUtf8("正在查找 Talvex 显示器…"));
  publishDetection({});
  panel->UIButtonTextAutoChange();
  EXPECT_EQ(panel->StatusLine->text(), QString::fromUtf8("未检测到 Talvex 显示器"));
  MonitorOnline = 1;
  Language = 2;
  panel->UIButtonTextAutoChange();
  EXPECT_EQ(panel->StatusLine->text(), "Monitor connected");
}

// Offline, the line counts the search from its first second on, beside the
// reason when a detection found no monitor, in minutes from the sixtieth.
TEST_P(ViewControllerTest, StatusLineCountsTheSearch) {
  Language = kLanguageEnglish;
  panel->searchSecondPassed();
  EXPECT_EQ(panel->StatusLine->text(), QString::fromUtf8("Looking for the Talvex monitor… 1 s"));
  publishDetection({false, platform::BusCause::kNoAnswer, "/dev/i2c-5"});
  for (int second = 2; second <= 65; ++second) panel->searchSecondPassed();
  EXPECT_EQ(panel->StatusLine->text(),
            "No answer on /dev/i2c-5: turn DDC/CI on in the monitor's menu\n"
            "Still looking: 1 min 5 s");
  Language = kLanguageChinese;
  panel->UIButtonTextAutoChange();
  EXPECT_EQ(panel->StatusLine->text(),
            QString::fromUtf8("显示器在 /dev/i2c-5 上没有应答：请在显示器菜单中打开 DDC/CI\n"
                              "仍在查找：1 分 5 秒"));
  MonitorOnline = 1;
  panel->searchSecondPassed();
  EXPECT_EQ(panel->StatusLine->text(), QString::fromUtf8("显示器已连接"));
}

// Offline, the status line says what the last detection found wrong, with
// what to do, in the program's language.
TEST_P(ViewControllerTest, StatusLineSaysWhyNoMonitorWasFound) {
  using platform::BusCause;
  struct Case {
    BusCause cause;
    const char* english;
    const char* chinese;
  };
  const Case cases[] = {
      {BusCause::kNoAccess, "No access to /dev/i2c-5: log out and in after installing",
       "无权访问 /dev/i2c-5：安装后请注销并重新登录"},
      {BusCause::kNoAnswer, "No answer on /dev/i2c-5: turn DDC/CI on in the monitor's menu",
       "显示器在 /dev/i2c-5 上没有应答：请在显示器菜单中打开 DDC/CI"},
      {BusCause::kNoDevice, "No I2C buses: load i2c-dev (sudo modprobe i2c-dev)",
       "没有 I2C 总线：请加载 i2c-dev（sudo modprobe i2c-dev）"},
      {BusCause::kBusy, "/dev/i2c-5 is held by another program; trying again",
       "/dev/i2c-5 正被其他程序占用，稍后重试"},
  };
  for (const Case& c : cases) {
    publishDetection({false, c.cause, "/dev/i2c-5"});
    for (uint8_t language : {kLanguageChinese, kLanguageEnglish}) {
      Language = language;
      panel->UIButtonTextAutoChange();
      EXPECT_EQ(panel->StatusLine->text(),
                QString::fromUtf8(language == kLanguageChinese ? c.chinese : c.english));
    }
  }
}

TEST_P(ViewControllerTest, ModeButtonOfflineWarnsAndChangesNothing) {
  ShowMode = 1;
  for (QPushButton* button : {panel->A2ButtonRef, panel->A5ButtonRef, panel->A16ButtonRef}) {
    platform.alerts.clear();
    button->click();
    ASSERT_EQ(platform.alerts.size(), 1u);
    EXPECT_EQ(platform.alerts[0].messageText, "Warning!!!");
    EXPECT_EQ(platform.alerts[0].informativeText, "Cannot detect Talvex Display exist");
    EXPECT_EQ(platform.alerts[0].buttons[0], "Ok");
    EXPECT_TRUE(button->isEnabled());
  }
  EXPECT_EQ(ShowMode.load(), 1);
  EXPECT_EQ(ViewControllerModeChangeFlag.load(), 0);
  EXPECT_FALSE(saved());
}

TEST_P(ViewControllerTest, A2ActionPausesSwitchesAndSaves) {
  MonitorOnline = 1;
  const std::pair<uint8_t, std::vector<double>> cases[] = {{3, {0.5, 1.0}}, {1, {1.0}}};
  for (const auto& [from, pauses] : cases) {
    ShowMode = from;
    WorkMode = 3;
    ViewControllerModeChangeFlag = 0;
    platform.sleeps.clear();
    takeStdout();
    panel->A2Action();
    EXPECT_EQ(platform.sleeps, pauses);
    EXPECT_EQ(ShowMode.load(), 2);
    EXPECT_EQ(WorkMode.load(), 1);
    EXPECT_EQ(ViewControllerModeChangeFlag.load(), 1);
    EXPECT_EQ(enabledButtons(), (std::vector<bool>{true, false, true}));
    EXPECT_NE(takeStdout().find("Switch to A2 mode.\n"), std::string::npos);
  }
  EXPECT_EQ(readFile(home + "/.QuillMark").substr(0, 17), "0\n0\n0\n120\n10\n0\n2\n");
}

TEST_P(ViewControllerTest, ModeActionsByResolutionMode) {
  MonitorOnline = 1;
  struct Case {
    void (ViewController::*action)();
    uint8_t resolution, mode;
    std::vector<bool> enabled;
    const char* line;
  };
  const Case cases[] = {
      {&ViewController::A5Action, 1, 1, {false, true, true}, "Switch to A5 mode.\n"},
      {&ViewController::A5Action, 2, 4, {false, true, true}, "Switch to A5 mode.\n"},
      {&ViewController::A16Action, 1, 3, {true, true, false}, "Switch to A16 mode.\n"},
      {&ViewController::A16Action, 2, 6, {true, true, false}, "Switch to A16 mode.\n"},
      {&ViewController::A2Action, 2, 5, {true, false, true}, "Switch to A2 mode.\n"},
  };
  for (const auto& c : cases) {
    ResCommMode = c.resolution;
    ShowMode = 3;
    platform.sleeps.clear();
    (panel.get()->*c.action)();
    EXPECT_EQ(ShowMode.load(), c.mode);
    EXPECT_EQ(enabledButtons(), c.enabled);
    EXPECT_NE(takeStdout().find(c.line), std::string::npos);
    // Leaving A16 pauses first, except for A16 itself.
    EXPECT_EQ(platform.sleeps.size(), c.mode == 3 || c.mode == 6 ? 1u : 2u);
  }
}

TEST_P(ViewControllerTest, UnknownResolutionModeChangesNothing) {
  MonitorOnline = 1;
  ResCommMode = 3;
  ShowMode = 1;
  panel->A2Action();
  EXPECT_NE(takeStdout().find("unknown ResCommMode(3).\n"), std::string::npos);
  EXPECT_EQ(ShowMode.load(), 1);
  EXPECT_EQ(ViewControllerModeChangeFlag.load(), 0);
  EXPECT_FALSE(saved());
}

TEST_P(ViewControllerTest, FixedResolutionPicked) {
  MonitorOnline = 1;
  ShowMode = 1;
  panel->ResCommModeRadioRef->cells()[1]->click();
  EXPECT_EQ(ShowMode.load(), 4);
  EXPECT_EQ(Threshold.load(), 160);
  EXPECT_EQ(SettingViewControllerThreshold.load(), 160);
  EXPECT_EQ(panel->A5ButtonRef->text(), "A5");
  EXPECT_EQ(panel->A16ButtonRef->text(), "A61");
  EXPECT_EQ(ResCommMode.load(), 2);
  ASSERT_EQ(platform.appliedModes.size(), 1u);
  EXPECT_EQ(platform.appliedModes[0].second.width, 1100u);
  EXPECT_EQ(ViewControllerResChangeFlag.load(), 1);
  EXPECT_EQ(ResManualChangeFlag.load(), tenor() ? 1 : 0);
  EXPECT_TRUE(saved());
  EXPECT_NE(takeStdout().find("selected row 1. \n"), std::string::npos);
}

// A session that keeps the monitor's display modes to itself (Wayland, where
// the monitor's modes cannot be had): the choice is recorded as always and
// the status line says nothing changed on screen; where the modes can be
// had (an emulated display), nothing is said.
TEST_P(ViewControllerTest, ResolutionPickedWhereTheSessionRefusesSaysSo) {
  MonitorOnline = 1;
  Language = 2;
  setSessionCapabilities(true, false);
  panel->ResCommModeRadioRef->cells()[1]->click();
  platform.drainMainQueue();
  EXPECT_EQ(ResCommMode.load(), 2);
  EXPECT_EQ(panel->StatusLine->text(), "Monitor connected");
  platform.displayList[0].modes.reset();
  panel->ResCommModeRadioRef->cells()[0]->click();
  platform.drainMainQueue();
  EXPECT_EQ(ResCommMode.load(), 1);
  EXPECT_TRUE(saved());
  EXPECT_EQ(panel->StatusLine->text(),
            "Monitor connected. This session does not let the program change the resolution.");
  Language = 1;
  panel->UIButtonTextAutoChange();
  EXPECT_EQ(panel->StatusLine->text(),
            QString::fromUtf8("显示器已连接。此会话不允许本程序更改分辨率。"));
}

TEST_P(ViewControllerTest, FlexibleResolutionPickedFromA16) {
  MonitorOnline = 1;
  mainDefaultRes.set(1600, 1200);  // as recorded at connection
  ResCommMode = 2;
  ShowMode = 6;
  Threshold = 123;
  panel->ResCommModeRadioRef->cells()[0]->click();
  EXPECT_EQ(ShowMode.load(), 3);
  EXPECT_EQ(Threshold.load(), 123);
  EXPECT_EQ(ResCommMode.load(), 1);
  EXPECT_EQ(panel->A5ButtonRef->text(), "Floyd");
  EXPECT_EQ(panel->A16ButtonRef->text(), tenor() ? "A16" : "16");
  EXPECT_NE(takeStdout().find("selected row 0.\n"), std::string::npos);
}

// A desktop that keeps the display mode (it refused, or lacks the size): the
// resolution mode is not recorded, nothing is asked of the worker, the row
// goes back and the status line says why, in the program's language.
TEST_P(ViewControllerTest, ResolutionRefusedByTheDesktopIsNotRecorded) {
  struct Case {
    const char* what;
    bool completes;
    std::vector<platform::DisplayMode> modes;
    const char* reason;
  };
  const Case cases[] = {
      {"refused", false, {{1600, 1200, 0}, {1100, 825, 0}}, "the desktop refused it"},
      {"no such mode", true, {{1600, 1200, 0}}, "the monitor has no 1100x825 or 825x1100 mode"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MonitorOnline = 1;
    ResCommMode = 1;
    ShowMode = 2;
    platform.configurationCompletes = c.completes;
    platform.displayList[0].modes = c.modes;
    panel->ChangeResModeRadio();
    panel->ResCommModeRadioRef->cells()[1]->click();
    platform.drainMainQueue();
    EXPECT_EQ(ResCommMode.load(), 1);
    EXPECT_EQ(ShowMode.load(), 2);
    EXPECT_EQ(ViewControllerResChangeFlag.load(), 0);
    EXPECT_EQ(ResManualChangeFlag.load(), 0);
    EXPECT_EQ(panel->ResCommModeRadioRef->selectedRow(), 0);
    EXPECT_EQ(panel->A5ButtonRef->text(), "Floyd");
    Language = kLanguageEnglish;
    panel->UIButtonTextAutoChange();
    EXPECT_EQ(panel->StatusLine->text(),
              QString("Monitor connected. The resolution was not changed: %1").arg(c.reason));
    Language = kLanguageChinese;
    panel->UIButtonTextAutoChange();
    EXPECT_TRUE(panel->StatusLine->text().contains(QString::fromUtf8("分辨率未更改")));
  }
  // The next switch that happens clears the line.
  platform.configurationCompletes = true;
  platform.displayList[0].modes = std::vector<platform::DisplayMode>{{1100, 825, 0}};
  Language = kLanguageEnglish;
  panel->ResCommModeRadioRef->cells()[1]->click();
  platform.drainMainQueue();
  EXPECT_EQ(ResCommMode.load(), 2);
  EXPECT_EQ(panel->StatusLine->text(), "Monitor connected");
}

// The way back to the flexible mode is never refused: any size suits it, and
// the size remembered at connection may be one the display lacks (connected
// in the fixed mode) or unknown (0x0). It is recorded and sent; the status
// line says the screen kept its size.
TEST_P(ViewControllerTest, FlexibleModeIsTakenThoughTheScreenKeepsItsSize) {
  for (const uint64_t remembered : {uint64_t{1600}, uint64_t{0}}) {
    SCOPED_TRACE(remembered);
    MonitorOnline = 1;
    ResCommMode = 2;
    ShowMode = 5;
    ViewControllerResChangeFlag = 0;
    mainDefaultRes.set(remembered, remembered * 3 / 4);
    platform.displayList[0].modes =
        std::vector<platform::DisplayMode>{{1100, 825, 0}, {1920, 1080, 0}};
    panel->ChangeResModeRadio();
    panel->ResCommModeRadioRef->cells()[0]->click();
    platform.drainMainQueue();
    EXPECT_EQ(ResCommMode.load(), 1);
    EXPECT_EQ(ShowMode.load(), 2);
    EXPECT_EQ(ViewControllerResChangeFlag.load(), 1);
    EXPECT_EQ(panel->ResCommModeRadioRef->selectedRow(), 0);
    Language = kLanguageEnglish;
    panel->UIButtonTextAutoChange();
    EXPECT_EQ(panel->StatusLine->text(),
              QString("Monitor connected. The resolution was not changed: the monitor has no "
                      "%1x%2 mode")
                  .arg(remembered)
                  .arg(remembered * 3 / 4));
    ResManualChangeFlag = 0;
  }
}

// A save that fails, from whichever surface, is said under the link state
// in the program's language until a save works again; the D-Bus object and
// the command line save through the same action as the panel.
TEST_P(ViewControllerTest, SaveThatFailsIsSaidUntilOneWorks) {
  MonitorOnline = 1;
  ResCommMode = 1;
  ShowMode = 1;
  Language = kLanguageEnglish;
  platform.home = home + "/gone";
  EXPECT_EQ(chooseShowMode(2), ActionResult::kNotSaved);  // in force, not kept
  platform.drainMainQueue();
  EXPECT_EQ(panel->StatusLine->text(),
            "Monitor connected\nSettings not saved: " + QString::fromStdString(strerror(ENOENT)));
  Language = kLanguageChinese;
  panel->UIButtonTextAutoChange();
  EXPECT_TRUE(panel->StatusLine->text().endsWith(QString::fromUtf8("设置未保存：") +
                                                 QString::fromStdString(strerror(ENOENT))));
  platform.home = home;
  EXPECT_EQ(chooseShowMode(3), ActionResult::kDone);
  platform.drainMainQueue();
  EXPECT_EQ(panel->StatusLine->text(), QString::fromUtf8("显示器已连接"));
  EXPECT_TRUE(saved());
}

TEST_P(ViewControllerTest, ResolutionPickedOfflineKeepsTheClickedRow) {
  panel->ChangeResModeRadio();
  panel->ResCommModeRadioRef->cells()[1]->click();
  EXPECT_EQ(platform.alerts.size(), 1u);
  EXPECT_EQ(panel->ResCommModeRadioRef->selectedRow(), 1);
  EXPECT_EQ(ResCommMode.load(), 1);
  EXPECT_EQ(ResManualChangeFlag.load(), 0);
  panel->ChangeResModeRadio();
  EXPECT_EQ(panel->ResCommModeRadioRef->selectedRow(), 0);
}

TEST_P(ViewControllerTest, ChangeModeButtonMirrorsTheParameters) {
  for (uint8_t mode : {0, 7}) {
    ShowMode = mode;
    panel->ChangeModeButton();
    EXPECT_EQ(enabledButtons(), (std::vector<bool>{true, true, true}));
  }
  ShowMode = 3;
  ResCommMode = 1;
  panel->ChangeModeButton();
  EXPECT_EQ(enabledButtons(), (std::vector<bool>{true, true, false}));
  EXPECT_EQ(panel->A16ButtonRef->text(), tenor() ? "A16" : "16");
  EXPECT_EQ(panel->A5ButtonRef->text(), "Floyd");
  ResCommMode = 3;
  ShowMode = 4;
  panel->ChangeModeButton();
  EXPECT_EQ(panel->A5ButtonRef->text(), "Floyd");
  EXPECT_EQ(enabledButtons(), (std::vector<bool>{false, true, true}));
}

TEST_P(ViewControllerTest, HelpHideAndExit) {
  Language = 2;
  panel->HelpButtonAction();
  panel->HideAction();
  EXPECT_EQ(platform.miniaturizeCalls, 1);
  delegate.startRefreshTimer();
  base::tl_log("running\n");
  try {
    panel->ExitAction();
    FAIL() << "the process did not end";
  } catch (const testing_platform::TestExit& exit) {
    EXPECT_EQ(exit.status, 0);
  }
  EXPECT_FALSE(base::tl_log_is_open());
  EXPECT_FALSE(platform.timers.begin()->second.valid);
  const std::string out = takeStdout();
  EXPECT_NE(out.find("ssss Language is 2.\nCall HideAction.\n"), std::string::npos);
  EXPECT_NE(out.find("Call ExitAction .\n"), std::string::npos);
  EXPECT_FALSE(saved());
}

INSTANTIATE_FOR_BOTH_MODELS(ViewControllerTest);

}  // namespace
