#include "ui/setting_view_controller.h"

#include <QTest>

#include "core/app_delegate.h"
#include "core/desktop_hotkey_offer.h"
#include "core/mode_table.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "core/session_capabilities.h"
#include "platform/key_codes.h"
#include "platform/qt/standard_shortcuts.h"
#include "tests/support/fixture.h"
#include "ui/state_watch.h"

namespace {

QString u(const char* text) {
  return QString::fromUtf8(text);
}

class SettingViewControllerTest : public ModelTest {
 protected:
  void TearDown() override {
    dialog.reset();
    desktopHotkeyOffer() = {};
    ModelTest::TearDown();
  }
  SettingViewController& open() {
    dialog = std::make_unique<SettingViewController>();
    SettingViewControllerThresholdFlag = 0;
    return *dialog;
  }
  void type(QLineEdit* field, const char* text, void (SettingViewController::*action)()) {
    field->setText(text);
    (dialog.get()->*action)();
  }
  std::optional<double> runningTimerInterval() const {
    for (const auto& [id, timer] : platform.timers) {
      if (timer.valid) return timer.interval;
    }
    return std::nullopt;
  }

  AppDelegate delegate;
  std::unique_ptr<SettingViewController> dialog;
};

TEST_P(SettingViewControllerTest, LoadShowsTheParameters) {
  Threshold = 170;
  AutoFreshTime = 300;
  ScreenSaveTime = 45;
  FreshHandSoftEnable = 1;
  auto& settings = open();
  EXPECT_EQ(SVC.load(), &settings);
  EXPECT_EQ(settings.slider_edit->text(), "170");
  EXPECT_EQ(settings.mode_slider->value(), 170);
  EXPECT_EQ(settings.DefineThresholdRadio->selectedColumn(), 1);  // Medium
  EXPECT_EQ(settings.AutoRefreshTime->text(), "300");
  EXPECT_FALSE(settings.AutoRefreshTime->isEnabled());
  EXPECT_EQ(settings.ScreenSaveTimeEdit->text(), "45");
  EXPECT_FALSE(settings.ScreenSaveTimeEdit->isEnabled());
  EXPECT_TRUE(settings.ThresholdKeyBinding->isEnabled());
  EXPECT_FALSE(settings.RefreshKeyBinding->isEnabled());
  EXPECT_EQ(settings.ThresholdKeyBinding->shortcutValue()->keyCode(), 32);
  EXPECT_TRUE(settings.ShowModeRadio->isHidden());
  EXPECT_TRUE(settings.WorkModeRadio->isHidden());
  EXPECT_TRUE(settings.ResolutionSelectRadio->isHidden());
  EXPECT_EQ(settings.ResolutionNoteText->text(), "Not supported this feature!");
  EXPECT_EQ(settings.ShowModeLabel->text(), "A2");
  EXPECT_EQ(settings.STRING_show_mode->text(), "A2");
  const std::string out = takeStdout();
  EXPECT_NE(out.find("______  32 , 262144.\n"), std::string::npos);
  EXPECT_NE(out.find("ShowMode is 2\n"), std::string::npos);
}

TEST_P(SettingViewControllerTest, TextsByLanguage) {
  for (uint8_t language : {1, 0, 3}) {
    Language = language;
    auto& settings = open();
    EXPECT_EQ(settings.OKButtonRef->text(), u("确定"));
    EXPECT_EQ(settings.ThresholdLabelRef->text(), u(":     对比度设置"));
    EXPECT_EQ(settings.DefineThresholdRadio->cells()[3]->text(), u("自定义"));
    EXPECT_EQ(settings.NormalShowModeLabelRef->text(), u("可变分辨率模式"));
    // The recorders speak Chinese only in the model whose recorder was translated.
    EXPECT_EQ(settings.RefreshKeyBinding->stringForToolTip(MASShortcutView::kUserDataShortcut),
              tenor() ? u("单击记录快捷键") : "Click to record new shortcut");
  }
  Language = 2;
  ResCommMode = 2;
  ShowMode = 3;
  auto& settings = open();
  EXPECT_EQ(settings.OKButtonRef->text(), "OK");
  EXPECT_EQ(settings.RefreshAutoCheckBox->text(), "auto refresh");
  EXPECT_EQ(settings.RefreshKeyBinding->stringForToolTip(MASShortcutView::kUserDataShortcut),
            "Click to record new shortcut");
  EXPECT_EQ(settings.DefineThresholdRadio->cells()[0]->text(), "Low");
  EXPECT_EQ(settings.NormalShowModeLabelRef->text(),
            tenor() ? "Fix 1100x825 mode" : "Fix 800x600 mode");
  EXPECT_EQ(settings.ShowModeLabel->text(), tenor() ? "A16" : "16");
  EXPECT_FALSE(settings.mode_slider->isEnabled());
  EXPECT_FALSE(settings.slider_edit->isEnabled());
  EXPECT_FALSE(settings.DefineThresholdRadio->isEnabled());
}

// Where the session gives no idle time, the screen-save note says screen
// save does not start on its own, in the settings dialog's language.
TEST_P(SettingViewControllerTest, ScreenSaveNoteWithoutIdleTime) {
  EXPECT_TRUE(open().ScreenSaveNoteText->isHidden());
  setSessionCapabilities(false, true);
  const std::pair<uint8_t, const char*> cases[] = {
      {2, "This session does not tell idle time, so screen save does not start on its own."},
      {1, "此会话不提供空闲时间，屏幕保护不会自动启动。"}};
  for (auto [language, text] : cases) {
    Language = language;
    SettingViewController& dialog = open();
    EXPECT_FALSE(dialog.ScreenSaveNoteText->isHidden());
    EXPECT_EQ(dialog.ScreenSaveNoteText->text(), QString::fromUtf8(text));
  }
}

// Where the desktop did not take the hotkeys, the note says they act in this
// window only and names the command-line actions to bind.
TEST_P(SettingViewControllerTest, NoteWhenTheDesktopDidNotTakeTheHotkeys) {
  setGlobalHotkeysCarried(false);
  for (uint8_t language : {kLanguageEnglish, kLanguageChinese}) {
    Language = language;
    SettingViewController& dialog = open();
    EXPECT_FALSE(dialog.ScreenSaveNoteText->isHidden());
    const QString note = dialog.ScreenSaveNoteText->text();
    EXPECT_TRUE(note.contains(QString(base::profile().programName) + " --hotkey contrast-up"))
        << note.toStdString();
    EXPECT_TRUE(note.contains("--hotkey refresh"));
    EXPECT_EQ(note.contains("window only"), language == kLanguageEnglish);
  }
}

// GNOME's dialog answers after the button was pressed, while Settings is
// still open: the button and the note follow the answer without a reopen.
TEST_P(SettingViewControllerTest, DesktopAnswerWhileOpenHidesTheButtonAndTheNote) {
  setGlobalHotkeysCarried(false);
  int asked = 0;
  DesktopHotkeyOffer& offer = desktopHotkeyOffer();
  offer.takesBack = false;
  offer.held = [] { return !sessionCapabilities().globalHotkeysUnavailable.load(); };
  offer.set = [&asked](bool on, std::string&) {
    if (on) ++asked;
    return on;
  };
  Language = kLanguageEnglish;
  SettingViewController& dialog = open();
  // The watch is the program's one: it must have seen the hotkeys local.
  ASSERT_TRUE(QTest::qWaitFor([] { return stateWatch().state().hotkeysLocal; }, 15000));
  ASSERT_FALSE(dialog.DesktopHotkeys->isHidden());
  EXPECT_EQ(dialog.DesktopHotkeys->text(), "Add to GNOME's keyboard shortcuts");
  EXPECT_FALSE(dialog.ScreenSaveNoteText->isHidden());
  dialog.DesktopHotkeys->click();
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(dialog.DesktopHotkeys->isHidden());
  setGlobalHotkeysCarried(true);
  EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.DesktopHotkeys->isHidden(); }, 15000));
  EXPECT_TRUE(dialog.ScreenSaveNoteText->isHidden());
}

TEST_P(SettingViewControllerTest, PresetsInFloydAndLowA5) {
  for (uint8_t mode : {1, 4}) {
    ShowMode = mode;
    auto& settings = open();
    EXPECT_EQ(settings.DefineThresholdRadio->isEnabled(), tenor());
    EXPECT_TRUE(settings.mode_slider->isEnabled());
  }
}

TEST_P(SettingViewControllerTest, TypedThresholdCheckedOnlyInA2Modes) {
  auto& settings = open();
  type(settings.slider_edit, "300", &SettingViewController::slider_edit_action);
  ASSERT_EQ(platform.alerts.size(), 1u);
  EXPECT_EQ(platform.alerts[0].messageText, "Warning!!!\n");
  EXPECT_EQ(platform.alerts[0].informativeText, "Threshold should bettween 0 to 255");
  EXPECT_EQ(platform.alerts[0].buttons, std::vector<std::string>{"Ok"});
  EXPECT_EQ(settings.slider_edit->text(), "200");
  EXPECT_EQ(settings.mode_slider->value(), 200);
  EXPECT_EQ(SettingViewControllerThresholdFlag.load(), 0);

  ShowMode = 5;
  auto& fixedA2 = open();
  type(fixedA2.slider_edit, "-5", &SettingViewController::slider_edit_action);
  EXPECT_EQ(platform.alerts.size(), 2u);

  ShowMode = 1;
  auto& floyd = open();
  type(floyd.slider_edit, "300", &SettingViewController::slider_edit_action);
  EXPECT_EQ(platform.alerts.size(), 2u);
  EXPECT_EQ(floyd.mode_slider->value(), 255);
  EXPECT_EQ(floyd.slider_edit->text(), "300");
  EXPECT_EQ(SettingViewControllerThreshold.load(), 255);
  EXPECT_EQ(SettingViewControllerThresholdFlag.load(), 1);
  EXPECT_EQ(floyd.DefineThresholdRadio->selectedColumn(), 3);
}

TEST_P(SettingViewControllerTest, SliderPreviewAndCancel) {
  auto& settings = open();
  settings.mode_slider->setValue(150);  // as the user drags it
  EXPECT_EQ(SettingViewControllerThreshold.load(), 150);
  EXPECT_EQ(SettingViewControllerThresholdFlag.load(), 1);
  EXPECT_EQ(settings.slider_edit->text(), "150");
  EXPECT_NE(takeStdout().find("threshold is 150.\n"), std::string::npos);
  SettingViewControllerThresholdFlag = 0;
  settings.mode_slider->setValue(200);
  EXPECT_EQ(SettingViewControllerThresholdFlag.load(), 0);  // back to Threshold: nothing sent
  settings.SCancel();
  EXPECT_EQ(SVC.load(), nullptr);
  EXPECT_EQ(SettingViewControllerThreshold.load(), 200);
  EXPECT_EQ(SettingViewControllerThresholdFlag.load(), 0);
  EXPECT_EQ(Threshold.load(), 200);
  EXPECT_TRUE(readFile(home + "/.QuillMark").empty());
}

TEST_P(SettingViewControllerTest, CancelAfterAPreviewPutsTheThresholdBack) {
  auto& settings = open();
  settings.mode_slider->setValue(90);
  SettingViewControllerThresholdFlag = 0;
  settings.reject();  // Escape
  EXPECT_EQ(SettingViewControllerThreshold.load(), 200);
  EXPECT_EQ(SettingViewControllerThresholdFlag.load(), 1);
}

TEST_P(SettingViewControllerTest, Presets) {
  auto& settings = open();
  settings.DefineThresholdRadio->cells()[3]->click();
  EXPECT_EQ(SettingViewControllerThresholdFlag.load(), 0);
  EXPECT_EQ(settings.mode_slider->value(), 200);
  const int values[] = {130, 170, 190};
  for (int column = 0; column < 3; ++column) {
    settings.DefineThresholdRadio->cells()[column]->click();
    EXPECT_EQ(settings.mode_slider->value(), values[column]);
    EXPECT_EQ(settings.slider_edit->text(), QString::number(values[column]));
    EXPECT_EQ(SettingViewControllerThreshold.load(), values[column]);
    EXPECT_EQ(settings.DefineThresholdRadio->selectedColumn(), column);
  }
  settings.mode_slider->setValue(170);
  EXPECT_EQ(settings.DefineThresholdRadio->selectedColumn(), 3);  // Self Def, not Medium
}

TEST_P(SettingViewControllerTest, OkSendsTheCommittedThresholdExceptInA16) {
  auto& settings = open();
  settings.mode_slider->setValue(180);
  SettingViewControllerThresholdFlag = 0;
  settings.SOK();
  EXPECT_EQ(Threshold.load(), 180);
  EXPECT_EQ(SettingViewControllerThreshold.load(), 180);
  EXPECT_EQ(SettingViewControllerThresholdFlag.load(), 1);
  EXPECT_EQ(SVC.load(), nullptr);
  EXPECT_NE(readFile(home + "/.QuillMark").find("\n180\n"), std::string::npos);
  for (uint8_t mode : {3, 6}) {
    ShowMode = mode;
    ResCommMode = mode == 3 ? 1 : 2;
    open().SOK();
    EXPECT_EQ(SettingViewControllerThresholdFlag.load(), 0);
    EXPECT_EQ(ShowMode.load(), mode);
  }
}

TEST_P(SettingViewControllerTest, OkAppliesTheRest) {
  ScreenSaveCount = 8;
  WorkMode = 3;
  auto& settings = open();
  settings.RefreshHandSoftCheckbox->setChecked(true);
  settings.RefreshHandHardCheckBox->setChecked(true);
  settings.SOK();
  EXPECT_EQ(ScreenSaveCount.load(), 0);
  EXPECT_EQ(WorkMode.load(), 3);
  EXPECT_EQ(FreshHandSoftEnable.load(), 1);
  EXPECT_EQ(FreshHandHardEnable.load(), 1);
  EXPECT_EQ(ShowMode.load(), 2);
}

// The standard editing keys as the desktop's Qt gives them (Cut is Ctrl+X)
// are refused to a hotkey turned on, in the user's language, with another
// combination suggested; the dialog stays open and nothing is committed.
TEST_P(SettingViewControllerTest, OkAsksForAnotherKeyWhereAHotkeyWouldTakeCutFromOthers) {
  platform.systemHotKeys = platform::qt::standardEditingShortcuts();
  for (const auto& [language, cut] :
       {std::pair{kLanguageEnglish, "Cut"}, {kLanguageChinese, "剪切"}}) {
    Language = language;
    platform.alerts.clear();
    auto& settings = open();
    settings.RefreshHandHardCheckBox->setChecked(true);  // Ctrl+X, the default
    EXPECT_FALSE(settings.SOK());
    EXPECT_EQ(FreshHandHardEnable.load(), 0);
    ASSERT_EQ(platform.alerts.size(), 1u);
    const QString text = QString::fromStdString(platform.alerts[0].informativeText);
    EXPECT_TRUE(text.contains(u(cut))) << text.toStdString();
    EXPECT_TRUE(text.contains(
        MASShortcut(platform::kKeyX, platform::kModifierControl | platform::kModifierOption)
            .description()))
        << text.toStdString();
  }
  // Ctrl+U and Ctrl+D are no standard editing keys: the contrast hotkeys go on.
  auto& settings = open();
  settings.RefreshHandSoftCheckbox->setChecked(true);
  EXPECT_TRUE(settings.SOK());
  EXPECT_EQ(FreshHandSoftEnable.load(), 1);
}

// A hand-edited ResCommMode other than 1 or 2: the columns read as the fixed
// mode's, so OK still takes the chosen mode.
TEST_P(SettingViewControllerTest, OkReadsTheColumnsOfAnUnusualResolutionModeAsFixed) {
  ResCommMode = 7;
  ShowMode = 5;
  auto& settings = open();
  settings.ShowModeRadio->selectCellAtRow(0, modeRow(6)->settingsColumn);
  settings.SOK();
  EXPECT_EQ(ShowMode.load(), 6);
}

TEST_P(SettingViewControllerTest, RefreshTimer) {
  auto& first = open();
  first.RefreshAutoCheckBox->click();
  EXPECT_TRUE(first.AutoRefreshTime->isEnabled());
  first.AutoRefreshTime->setText("60");
  first.SOK();
  EXPECT_EQ(FreshAutoEnable.load(), 1);
  EXPECT_EQ(AutoRefreshTimerTurnOnFlag.load(), 1);
  EXPECT_EQ(runningTimerInterval(), 60);

  auto& second = open();  // on while running: restarted with the new interval
  second.AutoRefreshTime->setText("700");
  second.SOK();
  EXPECT_EQ(AutoFreshTime.load(), 600);
  EXPECT_EQ(runningTimerInterval(), 600);
  EXPECT_EQ(platform.timers.size(), 2u);

  auto& third = open();  // off while running: stopped
  third.RefreshAutoCheckBox->click();
  third.SOK();
  EXPECT_EQ(FreshAutoEnable.load(), 0);
  EXPECT_EQ(AutoRefreshTimerTurnOnFlag.load(), 0);
  EXPECT_FALSE(runningTimerInterval().has_value());

  open().SOK();  // off while stopped: no timer touched
  EXPECT_EQ(platform.timers.size(), 2u);

  auto& fourth = open();
  fourth.RefreshAutoCheckBox->click();
  fourth.AutoRefreshTime->setText("3");  // confirmed without the field's own check
  fourth.SOK();
  EXPECT_EQ(AutoFreshTime.load(), 15);
  EXPECT_EQ(runningTimerInterval(), 15);
}

TEST_P(SettingViewControllerTest, IntervalFieldCheck) {
  auto& settings = open();
  for (const char* value : {"700", "14", "abc", "-3"}) {
    type(settings.AutoRefreshTime, value, &SettingViewController::RefreshTimeAction);
    EXPECT_EQ(settings.AutoRefreshTime->text(), "15");
  }
  EXPECT_EQ(platform.alerts.size(), 4u);
  EXPECT_EQ(platform.alerts[0].informativeText, "Refresh time should bettween 15s to 600s");
  type(settings.AutoRefreshTime, "600", &SettingViewController::RefreshTimeAction);
  EXPECT_EQ(platform.alerts.size(), 4u);
  EXPECT_EQ(AutoFreshTime.load(), 120);
}

TEST_P(SettingViewControllerTest, HotkeysTakenOnlyWithKeyAndModifiers) {
  FreshHandSoftEnable = 1;
  FreshHandHardEnable = 1;
  auto& settings = open();
  settings.ThresholdKeyBinding->setShortcutValue(
      MASShortcut(platform::kKeyK, platform::kModifierControl | platform::kModifierOption));
  settings.ThresholdKeyBindingDown->setShortcutValue(std::nullopt);
  settings.RefreshKeyBinding->setShortcutValue(MASShortcut(platform::kKeyF5, 0));
  settings.SOK();
  EXPECT_EQ(ContrastHotkeyKeyCode.load(), 40u);
  EXPECT_EQ(ContrastHotkeyModifierFlags.load(), 0xC0000u);
  EXPECT_EQ(ContrastHotkeyDownKeyCode.load(), 2u);
  EXPECT_EQ(RefreshHotkeyKeyCode.load(), 7u);
  EXPECT_NE(readFile(home + "/.QuillMark").find("\n786432\n40\n"), std::string::npos);

  auto& again = open();
  again.RefreshHandSoftCheckbox->click();  // contrast hotkeys off
  EXPECT_FALSE(again.ThresholdKeyBinding->isEnabled());
  again.ThresholdKeyBinding->setShortcutValue(MASShortcut(platform::kKeyU, 0x40000));
  again.SOK();
  EXPECT_EQ(ContrastHotkeyKeyCode.load(), 40u);
}

TEST_P(SettingViewControllerTest, UpdateThresholdFromTheHotkeyWhileOpen) {
  FreshHandSoftEnable = 1;
  auto& settings = open();
  Threshold = 160;
  delegate.handleActivityEvent(
      {platform::kEventKeyDown, platform::kModifierControl, platform::kKeyU, true});
  platform.drainMainQueue();
  EXPECT_EQ(settings.slider_edit->text(), "170");
  EXPECT_EQ(settings.mode_slider->value(), 170);
  EXPECT_EQ(settings.DefineThresholdRadio->selectedColumn(), 1);
  settings.SCancel();
  delegate.handleActivityEvent(
      {platform::kEventKeyDown, platform::kModifierControl, platform::kKeyU, true});
  EXPECT_TRUE(platform.mainQueue.empty());  // not posted once the dialog closed
  EXPECT_EQ(settings.slider_edit->text(), "170");
}

TEST_P(SettingViewControllerTest, ClosingAndDestroyingClearSVC) {
  open();
  dialog->show();
  takeStdout();
  dialog->close();
  EXPECT_EQ(SVC.load(), nullptr);
  EXPECT_NE(takeStdout().find("______________-    window will close.\n"), std::string::npos);
  dialog.reset();
  EXPECT_NE(takeStdout().find("setting view controller dealloc finished.\n"), std::string::npos);
}

TEST_P(SettingViewControllerTest, SaveAndHotkeyDiagnostic) {
  auto& settings = open();
  settings.SSave();
  EXPECT_NE(takeStdout().find("not implemented yet\n"), std::string::npos);
  settings.HotkeyAction();
  EXPECT_EQ(platform.systemLogLines.back(), "X");
}

INSTANTIATE_FOR_BOTH_MODELS(SettingViewControllerTest);

}  // namespace
