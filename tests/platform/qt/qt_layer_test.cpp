// The Qt layer with real Qt events, real windows and real message boxes:
// what reaches the handlers from a key typed into this program's windows,
// the recorder's focus rules around its alert, and the menus' key
// equivalents and texts.

#include <QDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include "MASShortcuts/mas_recorder_texts.h"
#include "MASShortcuts/mas_shortcut_view.h"
#include "MASShortcuts/qt_menu.h"
#include "app/main_window.h"
#include "core/app_delegate.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "platform/key_codes.h"
#include "platform/qt/qt_app_framework.h"
#include "tests/support/fixture.h"
#include "ui/help_view_controller.h"
#include "ui/view_controller.h"

namespace {

using namespace platform;

constexpr uint32_t kX11ControlMask = 1u << 2;
constexpr uint32_t kX11LockMask = 1u << 1;

class QtLayerTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    framework = std::make_unique<platform::qt::QtAppFramework>("qt-layer-test", nullptr);
    install({&platform, framework.get(), &platform});
  }
  void TearDown() override {
    MASShortcutValidator::setMainMenuProvider(nullptr);
    framework.reset();
    install({&platform, &platform, &platform});
    ModelTest::TearDown();
  }
  static void press(QWidget& window, int qtKey, Qt::KeyboardModifiers modifiers, uint32_t evdev,
                    uint32_t nativeModifiers) {
    QKeyEvent event(QEvent::KeyPress, qtKey, modifiers, evdev + 8, 0, nativeModifiers);
    QApplication::sendEvent(window.windowHandle(), &event);
  }
  static void showActive(QWidget& window) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }

  std::unique_ptr<platform::qt::QtAppFramework> framework;
};

// Caps Lock, the numeric-pad bit of the arrows and the function bit of the
// F-keys reach the hotkey handler from the program's own window, so none of
// these presses matches a hotkey recorded without them.
TEST_P(QtLayerTest, KeysInOwnWindowCarryEveryModifierBit) {
  struct Case {
    const char* name;
    int qtKey;
    uint32_t evdev;
    uint32_t nativeModifiers;
    uint16_t hotkeyKeyCode;
    bool raises;
  };
  const Case cases[] = {
      {"Control+U", Qt::Key_U, 22, kX11ControlMask, kKeyU, true},
      {"Control+U with Caps Lock", Qt::Key_U, 22, kX11ControlMask | kX11LockMask, kKeyU, false},
      {"Control+Up arrow", Qt::Key_Up, 103, kX11ControlMask, kKeyUpArrow, false},
      {"Control+F5", Qt::Key_F5, 63, kX11ControlMask, kKeyF5, false},
  };
  AppDelegate delegate;
  framework->addLocalEventMonitor(kActivityEventMask, [&delegate](const Event& event) {
    delegate.handleActivityEvent(event);
    return true;
  });
  QWidget window;
  showActive(window);
  FreshHandSoftEnable = 1;
  ContrastHotkeyModifierFlags = kModifierControl;
  for (const Case& c : cases) {
    ContrastHotkeyKeyCode = c.hotkeyKeyCode;
    Threshold = 200;
    press(window, c.qtKey, Qt::ControlModifier, c.evdev, c.nativeModifiers);
    EXPECT_EQ(Threshold.load(), c.raises ? 210 : 200) << c.name;
  }
}

// The "already used" alert: its message and explanation in the body, modal
// over the settings dialog; after it closes and the dialog has the focus
// again, the recorder still records. Focus moving to another window ends it.
TEST_P(QtLayerTest, RecorderRecordsOnAfterItsAlertAndStopsWhenItsWindowResigns) {
  MASShortcutValidator::setMainMenuProvider([] {
    return MASMenu{{"Quit", "q", kModifierControl, {}}};
  });
  // The host chooses the recorder's language: Chinese under one profile here.
  const bool chinese = tenor();
  MASSetRecorderTextsChinese(chinese);
  QDialog dialog;
  auto* recorder = new MASShortcutView(&dialog);
  (new QVBoxLayout(&dialog))->addWidget(recorder);
  showActive(dialog);
  QTest::mouseClick(recorder, Qt::LeftButton, {}, QPoint(10, recorder->height() / 2));
  ASSERT_TRUE(recorder->recording());

  QString body, informative;
  QWidget* owner = nullptr;
  QTimer::singleShot(50, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    body = box->text();
    informative = box->informativeText();
    owner = box->parentWidget();
    box->buttons().front()->click();
  });
  press(dialog, Qt::Key_Q, Qt::ControlModifier, 16, kX11ControlMask);
  // The focus comes back from the alert to the dialog, as a window manager gives it.
  showActive(dialog);

  MASSetRecorderTextsChinese(false);
  EXPECT_EQ(body, chinese ? QString::fromUtf8("组合键\u2303Q不能被使用")
                          : QString::fromUtf8("The key combination \u2303Q cannot be used"));
  EXPECT_TRUE(informative.contains("Quit")) << informative.toStdString();
  EXPECT_EQ(owner, &dialog);
  EXPECT_TRUE(recorder->recording());
  EXPECT_FALSE(recorder->shortcutValue().has_value());

  QWidget elsewhere;
  showActive(elsewhere);
  EXPECT_FALSE(recorder->recording());
}

// The menus as the validator sees them: F1 is taken by Help, and in Chinese
// the clash message quotes the item's Chinese title.
TEST_P(QtLayerTest, MenuKeyEquivalentsAndTitlesFollowTheMenus) {
  for (uint8_t language : {kLanguageChinese, kLanguageEnglish}) {
    Language = language;
    MainWindow window;
    const MASMenu menu = menuFromQt(window.menuBar());
    const auto& validator = MASShortcutValidator::sharedValidator();
    QString explanation;
    EXPECT_TRUE(validator.isShortcutAlreadyTakenInMenu(MASShortcut(kKeyF1, kModifierFunction), menu,
                                                       &explanation));
    EXPECT_FALSE(validator.isShortcutAlreadyTakenInMenu(MASShortcut(kKeyF6, kModifierFunction),
                                                        menu, nullptr));
    EXPECT_TRUE(validator.isShortcutAlreadyTakenInMenu(MASShortcut(kKeyQ, kModifierControl), menu,
                                                       &explanation));
    const bool chinese = language == kLanguageChinese;
    EXPECT_EQ(explanation.contains(QString::fromUtf8("退出")), chinese);
    EXPECT_EQ(explanation.contains("Quit"), !chinese);
    EXPECT_EQ(window.menuBar()->actions().last()->text(),
              chinese ? QString::fromUtf8("帮助") : QString("Help"));
    HelpViewController help;
    EXPECT_EQ(help.windowTitle(), chinese ? QString::fromUtf8("帮助") : QString("Help"));
  }
}

// Every state's caption fits the recorder at its size, in both languages.
TEST_P(QtLayerTest, RecorderCaptionsAreNeverClipped) {
  for (uint8_t language : {kLanguageChinese, kLanguageEnglish}) {
    Language = language;
    MASShortcutView recorder;
    recorder.resize(recorder.sizeHint());
    const QFontMetrics metrics(recorder.font());
    const auto fits = [&](const char* state) {
      const MASShortcutView::Drawing plan = recorder.drawing();
      QRect area = recorder.rect();
      if (plan.titleInShortcutRect) recorder.getShortcutRect(&area, nullptr);
      EXPECT_LE(metrics.horizontalAdvance(plan.title), area.width())
          << state << ": " << plan.title.toStdString();
    };
    fits("empty");
    recorder.setRecording(true);
    fits("recording");
    recorder.setHinting(true);
    fits("recording, hinting");
    recorder.setRecording(false);
    recorder.setShortcutValue(MASShortcut(
        kKeyF19, kModifierControl | kModifierOption | kModifierShift | kModifierCommand));
    fits("with a shortcut");
    recorder.setRecording(true);
    recorder.setHinting(false);
    fits("recording over a shortcut");
    recorder.setHinting(true);
    fits("recording over a shortcut, hinting");
  }
}

INSTANTIATE_FOR_BOTH_MODELS(QtLayerTest);

}  // namespace
