// The tray menu at the widget level: the model's modes with the current one
// checked, the actions as the hotkeys and the panel carry them out, the
// start-at-login entry, and the texts in both languages. With
// QUILLMARK_SCREENSHOT_DIR set, the menu is photographed there.

#include "app/tray.h"

#include <QFile>
#include <QTest>
#include <cstdlib>

#include "app/autostart.h"
#include "app/main_window.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "tests/support/fixture.h"

namespace {

class TrayTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home + "/config"));
  }
  QAction* action(Tray& tray, const QString& text) {
    for (QAction* item : tray.menu().actions()) {
      if (item->text() == text) return item;
    }
    ADD_FAILURE() << "no menu item " << text.toStdString();
    static QAction none;
    return &none;
  }
  QStringList texts(Tray& tray) {
    QStringList all;
    for (QAction* item : tray.menu().actions()) {
      if (!item->isSeparator()) all << item->text() + (item->isChecked() ? "*" : "");
    }
    return all;
  }
};

TEST_P(TrayTest, MenuFollowsTheModesAndTheLanguage) {
  struct Case {
    uint8_t language, resolution, showMode;
    QStringList expected;
  };
  const Case cases[] = {
      {2,
       2,
       5,
       {"A5", "A2*", "A16", "Refresh", "Settings...", "Current settings...", "Show window",
        "Modes by application...", "Start at login", "Notify of changes", "Quit"}},
      {2,
       1,
       1,
       {"Floyd*", "A2", "A16", "Refresh", "Settings...", "Current settings...", "Show window",
        "Modes by application...", "Start at login", "Notify of changes", "Quit"}},
      {1,
       2,
       6,
       {"A5", "A2", "A16*", QString::fromUtf8("刷新"), QString::fromUtf8("设置..."),
        QString::fromUtf8("当前设置..."), QString::fromUtf8("显示窗口"),
        QString::fromUtf8("按应用的模式..."), QString::fromUtf8("登录时启动"),
        QString::fromUtf8("通知更改"), QString::fromUtf8("退出")}},
  };
  for (const Case& c : cases) {
    Language = c.language;
    ResCommMode = c.resolution;
    ShowMode = c.showMode;
    MainWindow window;
    Tray tray(*GetParam(), window);
    tray.refreshMenu();
    EXPECT_EQ(texts(tray), c.expected);
    if (const char* folder = std::getenv("QUILLMARK_SCREENSHOT_DIR"); folder && c.resolution == 2) {
      tray.menu().popup({0, 0});
      QTest::qWait(50);
      tray.menu().grab().save(
          QString("%1/tray-%2-%3.png")
              .arg(folder, tenor() ? "tenor" : "alto", c.language == 1 ? "zh" : "en"));
      tray.menu().hide();
    }
  }
}

TEST_P(TrayTest, RefreshAndStartAtLogin) {
  Language = 2;
  MainWindow window;
  Tray tray(*GetParam(), window);
  FreshHandHardEnable = 0;  // the box enables the key combination, not the action
  action(tray, "Refresh")->trigger();
  EXPECT_EQ(ClearBlurFlag.load(), 2);
  EXPECT_NE(takeStdout().find("Presss refresh hotkey.\n"), std::string::npos);

  const QString entry = autostartPath(*GetParam());
  EXPECT_TRUE(entry.startsWith(QString::fromStdString(home + "/config/autostart/")));
  action(tray, "Start at login")->trigger();
  QFile file(entry);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString content = file.readAll();
  EXPECT_TRUE(content.contains(QRegularExpression("\nExec=\\S+ --hidden\n")))
      << content.toStdString();
  tray.refreshMenu();
  EXPECT_TRUE(action(tray, "Start at login")->isChecked());
  action(tray, "Start at login")->trigger();
  EXPECT_FALSE(QFile::exists(entry));

  // Kept in the rules file, which the running program follows.
  const std::string rules = home + "/config/quillmark/modes-by-application";
  action(tray, "Notify of changes")->trigger();
  EXPECT_EQ(readFile(rules), "[Feedback]\nNotifications=on\n");
  tray.refreshMenu();
  EXPECT_TRUE(action(tray, "Notify of changes")->isChecked());
  action(tray, "Notify of changes")->trigger();
  EXPECT_EQ(readFile(rules), "[Feedback]\nNotifications=off\n");
}

INSTANTIATE_FOR_BOTH_MODELS(TrayTest);

}  // namespace
