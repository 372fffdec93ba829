// The "Modes by application" window on the real rules file: a rule picked
// from the next application that takes the focus, its mode changed in place
// and removed, the texts in both languages. With QUILLMARK_SCREENSHOT_DIR
// set, the window is photographed there.

#include "ui/modes_by_application_window.h"

#include <QMenuBar>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "app/focus_follower.h"
#include "app/main_window.h"
#include "app/modes_by_application_opener.h"
#include "core/application_modes.h"
#include "core/application_rules.h"
#include "core/parameters.h"
#include "tests/support/fixture.h"
#include "ui/setting_view_controller.h"
#include "ui/state_watch.h"
#include "ui/view_controller.h"

namespace {

class ModesByApplicationWindowTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home + "/config"));
    ResCommMode = 2;
    ShowMode = showModeOf(ModeButton::kA2, 2);
  }
  std::string rulesFile() const {
    return readFile(home + "/config/quillmark/modes-by-application");
  }
};

TEST_P(ModesByApplicationWindowTest, ARuleIsPickedChangedAndRemovedInTheUsersFile) {
  FocusFollower follower(GetParam()->programName);
  ModesByApplicationWindow window(
      [&follower](const QString& application, std::optional<ModeButton> button, QString& why) {
        return follower.setRule(application, button, why);
      },
      {[] { return QString("X11 _NET_ACTIVE_WINDOW"); }, [] { return false; },
       [](QString&) { return false; }});
  EXPECT_TRUE(window.enableSourceButton().isHidden());
  // Only once asked: the focus moving before that adds nothing.
  window.focusMoved("org.example.Early");
  window.addButton().click();
  window.focusMoved("org.example.Reader");
  EXPECT_EQ(rulesFile(), "[Modes]\norg.example.Reader=A2\n");
  ASSERT_EQ(window.table().rowCount(), 1);
  EXPECT_EQ(window.table().item(0, 0)->text(), "org.example.Reader");
  window.focusMoved("org.example.Late");
  EXPECT_EQ(window.table().rowCount(), 1);

  auto* mode = qobject_cast<QComboBox*>(window.table().cellWidget(0, 1));
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(mode->currentText(), "A2");
  emit mode->activated(2);
  EXPECT_EQ(rulesFile(), "[Modes]\norg.example.Reader=A16\n");
  ASSERT_EQ(applicationModes().rules().size(), 1u);
  EXPECT_EQ(applicationModes().rules()[0].button, ModeButton::kA16);

  if (const char* folder = std::getenv("QUILLMARK_SCREENSHOT_DIR")) {
    for (const uint8_t language : {2, 1}) {
      Language = language;
      window.refresh();
      window.show();
      QTest::qWait(50);
      window.grab().save(QString("%1/modes-by-application-%2-%3.png")
                             .arg(folder, tenor() ? "tenor" : "alto", language == 1 ? "zh" : "en"));
    }
  }

  window.table().selectRow(0);
  window.removeButton().click();
  EXPECT_EQ(rulesFile(), "[Modes]\n");
  EXPECT_EQ(window.table().rowCount(), 0);

  for (const auto& [language, title, add] :
       {std::tuple{2, "Modes by application", "Add the next application you switch to"},
        std::tuple{1, "按应用的模式", "添加下一个切换到的应用"}}) {
    Language = static_cast<uint8_t>(language);
    window.refresh();
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8(title));
    EXPECT_EQ(window.addButton().text(), QString::fromUtf8(add));
  }
}

// Changes made elsewhere while the window is open show without its being
// asked: the rules file edited by hand (replaced, as editors save, and
// written in place), the resolution mode (the first button's name) and the
// language.
TEST_P(ModesByApplicationWindowTest, AnOpenWindowFollowsChangesMadeElsewhere) {
  FocusFollower follower(GetParam()->programName);
  follower.start(platform::session::SessionType{}, {});
  ModesByApplicationOpener opener(follower);
  opener.open();
  const QTableWidget& table = opener.window()->table();
  ASSERT_EQ(table.rowCount(), 0);
  const std::string file = home + "/config/quillmark/modes-by-application";
  QString why;
  ASSERT_TRUE(follower.setRule("org.example.Reader", ModeButton::kA16, why)) << why.toStdString();
  writeFile(file + ".new", "[Modes]\norg.example.Reader=A16\norg.example.Browser=A2\n");
  ASSERT_EQ(std::rename((file + ".new").c_str(), file.c_str()), 0);
  ASSERT_TRUE(QTest::qWaitFor([&table] { return table.rowCount() == 2; }, 15000));
  EXPECT_EQ(table.item(1, 0)->text(), "org.example.Browser");
  writeFile(file, "[Modes]\norg.example.Browser=A2\n");
  ASSERT_TRUE(QTest::qWaitFor([&table] { return table.rowCount() == 1; }, 15000));
  EXPECT_EQ(table.item(0, 0)->text(), "org.example.Browser");

  const auto firstButton = [&table] {
    const auto* mode = qobject_cast<QComboBox*>(table.cellWidget(0, 1));
    return mode != nullptr ? mode->itemText(0) : QString();
  };
  EXPECT_EQ(firstButton(), "A5");
  // The watch has seen this test's state (not the test before's) first.
  ASSERT_TRUE(QTest::qWaitFor([] { return stateWatch().state() == MonitorState::now(); }, 15000));
  ResCommMode = 1;
  EXPECT_TRUE(QTest::qWaitFor([&] { return firstButton() == "Floyd"; }, 15000))
      << firstButton().toStdString();
  Language = 1;
  EXPECT_TRUE(QTest::qWaitFor(
      [&opener] { return opener.window()->windowTitle() == QString::fromUtf8("按应用的模式"); },
      15000));
}

// GNOME's extension, off: the window offers to turn it on, says why when
// the Shell refuses, and hides the offer once it runs.
TEST_P(ModesByApplicationWindowTest, GnomesExtensionIsTurnedOnFromTheWindow) {
  bool refuses = true, running = false;
  const auto noRules = [](const QString&, std::optional<ModeButton>, QString&) { return true; };
  ModesByApplicationWindow window(
      noRules, {[&running] { return QString(running ? "GNOME Shell's extension" : "none: off"); },
                [&running] { return !running; },
                [&refuses, &running](QString& why) {
                  if (refuses) why = "GNOME Shell did not enable its extension";
                  running = !refuses;
                  return running;
                }});
  for (const auto& [language, text] :
       {std::pair{2, "Turn on GNOME's extension"}, std::pair{1, "启用 GNOME 扩展"}}) {
    Language = static_cast<uint8_t>(language);
    window.refresh();
    EXPECT_EQ(window.enableSourceButton().text(), QString::fromUtf8(text));
  }
  EXPECT_FALSE(window.enableSourceButton().isHidden());
  window.enableSourceButton().click();
  EXPECT_FALSE(window.enableSourceButton().isHidden());
  bool toldWhy = false;
  for (const QLabel* label : window.findChildren<QLabel*>()) {
    toldWhy = toldWhy || label->text() == "GNOME Shell did not enable its extension";
  }
  EXPECT_TRUE(toldWhy);
  refuses = false;
  window.enableSourceButton().click();
  EXPECT_TRUE(window.enableSourceButton().isHidden());
}

// Rules the desktop cannot serve (here no session tells the focus): Settings
// says why they wait, in its language; without rules it says nothing of them.
TEST_P(ModesByApplicationWindowTest, SettingsSaysWhyRulesWait) {
  FocusFollower follower(GetParam()->programName);
  follower.start(platform::session::SessionType{}, {});
  const auto note = [] {
    SettingViewController settings;
    return settings.ScreenSaveNoteText->isHidden() ? QString()
                                                   : settings.ScreenSaveNoteText->text();
  };
  EXPECT_EQ(note(), "");
  QString why;
  ASSERT_TRUE(follower.setRule("org.example.Reader", ModeButton::kA16, why)) << why.toStdString();
  for (const auto& [language, text] :
       {std::pair{2, "Modes by application cannot follow the focus: no graphical session"},
        std::pair{1, "按应用的模式无法跟随焦点：no graphical session"}}) {
    Language = static_cast<uint8_t>(language);
    EXPECT_EQ(note(), QString::fromUtf8(text));
  }
}

TEST_P(ModesByApplicationWindowTest, TheProgramMenuOpensItInBothLanguages) {
  MainWindow window;
  int opened = 0;
  window.setModesByApplication([&opened] { ++opened; });
  for (const auto& [language, text] :
       {std::pair{2, "Modes by application..."}, std::pair{1, "按应用的模式..."}}) {
    Language = static_cast<uint8_t>(language);
    window.panel()->captionsChanged();
    QAction* item = nullptr;
    for (QAction* action : window.menuBar()->actions().first()->menu()->actions()) {
      if (action->text() == QString::fromUtf8(text)) item = action;
    }
    ASSERT_NE(item, nullptr) << text;
    item->trigger();
  }
  EXPECT_EQ(opened, 2);
}

INSTANTIATE_FOR_BOTH_MODELS(ModesByApplicationWindowTest);

}  // namespace
