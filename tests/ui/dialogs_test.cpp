#include <filesystem>

#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "platform/version.h"
#include "tests/support/fixture.h"
#include "ui/current_settings_view_controller.h"
#include "ui/help_view_controller.h"
#include "ui/view_controller.h"

namespace {

class DialogsTest : public ModelTest {
 protected:
  std::vector<QString> currentSettings() {
    CurrentSettingsViewController view;
    return {view.CurrentMode->text(),
            view.CurrentWorkMode->text(),
            view.CurrentModeThreshold->text(),
            view.CurrentModeResolution->text(),
            view.CurrentRefreshMethod->text(),
            view.CurrentRefreshHandSoft->text(),
            view.CurrentRefreshHandHard->text(),
            view.CurrentSoftVersion->text()};
  }
  std::vector<QString> helpTitles(const HelpViewController& help) const {
    return {help.CheckingNewVersionRef->text(), help.AboutRef->text(), help.CancelRef->text(),
            help.OkButtonRef->text()};
  }
};

QString u(const char* text) {
  return QString::fromUtf8(text);
}

TEST_P(DialogsTest, CurrentSettingsWithTheDefaults) {
  EXPECT_EQ(currentSettings(),
            (std::vector<QString>{"A2", u("正常模式"), "200", "2000 x 1600", u(" 未启用"),
                                  u(" 未启用"), u(" 未启用"), "v" QUILLMARK_VERSION}));
}

TEST_P(DialogsTest, CurrentSettingsFollowTheParameters) {
  Language = 2;  // no field depends on the language
  const std::pair<uint8_t, const char*> modes[] = {{6, "A61"},     {3, "A16"},   {0, "UNKNOWN"},
                                                   {7, "UNKNOWN"}, {1, "Floyd"}, {4, "A5"}};
  for (auto [mode, name] : modes) {
    ShowMode = mode;
    EXPECT_EQ(currentSettings()[0], name);
  }
  ShowMode = 2;
  WorkMode = 4;
  FreshAutoEnable = 1;
  AutoFreshTime = 600;
  FreshHandSoftEnable = 2;
  FreshHandHardEnable = 1;
  const auto fields = currentSettings();
  EXPECT_EQ(fields[1], u("等比例拉伸模式"));
  EXPECT_EQ(fields[4], " 600 s");
  EXPECT_EQ(fields[5], " Alt + c");
  EXPECT_EQ(fields[6], " Alt + h");
  WorkMode = 9;
  EXPECT_EQ(currentSettings()[1], "A2");
}

TEST_P(DialogsTest, HelpTitlesByLanguage) {
  {
    HelpViewController help;
    EXPECT_EQ(helpTitles(help),
              (std::vector<QString>{u("检查更新"), u("关于"), u("取消"), u("确定")}));
    EXPECT_EQ(help.PopUPButtonRef->currentIndex(), 0);
    EXPECT_EQ(help.LanguageRef->title(), u("语言切换/Language"));
  }
  for (uint8_t language : {2, 5}) {
    Language = language;
    HelpViewController help;
    EXPECT_EQ(helpTitles(help),
              (std::vector<QString>{"Check new version", "About", "Cancel", "OK"}));
    EXPECT_EQ(help.PopUPButtonRef->currentIndex(), 1);
  }
}

TEST_P(DialogsTest, LanguagePreviewThenCancelChangesNothing) {
  HelpViewController help;
  help.PopUPButtonRef->setCurrentIndex(1);
  help.PopUPButtonAction();
  EXPECT_EQ(help.OkButtonRef->text(), "OK");
  EXPECT_NE(takeStdout().find("selected value as 1.\n"), std::string::npos);
  help.UCancel();
  EXPECT_EQ(Language.load(), 1);
  EXPECT_TRUE(readFile(home + "/.QuillMark").empty());
}

TEST_P(DialogsTest, LanguageOkSetsRefreshesAndSaves) {
  ViewController panel;
  {
    HelpViewController help;
    help.PopUPButtonRef->setCurrentIndex(1);
    help.UOK();
  }
  EXPECT_EQ(Language.load(), 2);
  EXPECT_EQ(panel.SettingButtonRef->text(), "Setting");
  EXPECT_NE(readFile(home + "/.QuillMark").find("\n2\n262144\n"), std::string::npos);
  std::filesystem::remove(home + "/.QuillMark");
  {
    HelpViewController help;  // unchanged selection still saves
    help.UOK();
  }
  EXPECT_EQ(Language.load(), 2);
  EXPECT_FALSE(readFile(home + "/.QuillMark").empty());
  {
    HelpViewController help;
    help.PopUPButtonRef->setCurrentIndex(0);
    help.UOK();
  }
  EXPECT_EQ(Language.load(), 1);
  EXPECT_EQ(panel.SettingButtonRef->text(), u("设置"));
}

TEST_P(DialogsTest, VersionCheckOpensThePage) {
  HelpViewController help;
  help.CheckingNewVersionRef->click();
  EXPECT_EQ(platform.openedURLs, std::vector<std::string>{kVersionCheckURL});
}

INSTANTIATE_FOR_BOTH_MODELS(DialogsTest);

}  // namespace
