#include "MASShortcuts/mas_shortcut_view.h"

#include <QAccessible>
#include <QTest>

#include "MASShortcuts/mas_localized_string.h"
#include "MASShortcuts/mas_recorder_texts.h"
#include "platform/key_codes.h"
#include "tests/support/fixture.h"

namespace {

using namespace platform;

QString u(const char* text) {
  return QString::fromUtf8(text);
}

Event key(uint16_t code, uint64_t modifiers = 0) {
  return {kEventKeyDown, modifiers, code, true};
}
Event modifiersHeld(uint64_t modifiers) {
  return {kEventFlagsChanged, modifiers, 0, false};
}

class MASShortcutViewTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    MASSetLocalizationChinese(false);
    // Each language once: Chinese under one profile, English under the other.
    MASSetRecorderTextsChinese(tenor());
    view = std::make_unique<MASShortcutView>();
    view->resize(200, 24);
  }
  void TearDown() override {
    other.reset();
    view.reset();
    MASShortcutValidator::setMainMenuProvider(nullptr);
    MASSetRecorderTextsChinese(false);
    ModelTest::TearDown();
  }
  void clickShortcutRect(MASShortcutView& target) {
    QTest::mouseClick(&target, Qt::LeftButton, {}, QPoint(50, 12));
  }
  void clickHintRect(MASShortcutView& target) {
    QTest::mouseClick(&target, Qt::LeftButton, {}, QPoint(190, 12));
  }
  // Sends a key to this program while a recorder records; true if it went on to the window.
  bool type(const Event& event) { return platform.sendEvent(event, true); }
  QString english(const char* text, const char* chinese) const {
    return tenor() ? u(chinese) : u(text);
  }

  std::unique_ptr<MASShortcutView> view;
  std::unique_ptr<MASShortcutView> other;
};

TEST_P(MASShortcutViewTest, EmptyRecorderRecordsAndEscapeCancels) {
  EXPECT_EQ(view->drawing().title, english("Record Shortcut", "输入快捷键"));
  EXPECT_FALSE(view->drawing().titleInShortcutRect);
  clickShortcutRect(*view);
  EXPECT_TRUE(view->recording());
  EXPECT_EQ(view->drawing().hintGlyph, QString(QChar(0x238B)));
  EXPECT_EQ(view->drawing().title, english("Type Shortcut", "输入快捷键"));
  EXPECT_TRUE(view->drawing().titleOn);
  EXPECT_FALSE(type(key(kKeyEscape)));
  EXPECT_FALSE(view->recording());
  EXPECT_FALSE(view->shortcutValue());
  ASSERT_EQ(platform.announcements.size(), 1u);
  EXPECT_EQ(platform.announcements[0], std::make_pair(std::string("Shortcut cleared"), 90));
}

TEST_P(MASShortcutViewTest, EnglishTextsWhenChosen) {
  MASSetRecorderTextsChinese(false);
  EXPECT_EQ(view->drawing().title, "Record Shortcut");
  view->setRecording(true);
  view->setHinting(true);
  EXPECT_EQ(view->drawing().title, "Cancel");
}

TEST_P(MASShortcutViewTest, ModifiersHeldShowAsPlaceholder) {
  view->setRecording(true);
  EXPECT_FALSE(type(modifiersHeld(kModifierControl | kModifierOption)));
  EXPECT_EQ(view->drawing().title, QString::fromUtf16(u"\u2303\u2325"));
  type(modifiersHeld(0));
  EXPECT_EQ(view->drawing().title, english("Type Shortcut", "输入快捷键"));
  view->setShortcutValue(MASShortcut(kKeyU, kModifierControl));
  type(modifiersHeld(0));
  EXPECT_EQ(view->drawing().title, english("Type New Shortcut", "键入新快捷键"));
}

TEST_P(MASShortcutViewTest, ValidShortcutIsTaken) {
  view->setRecording(true);
  EXPECT_FALSE(type(key(kKeyU, kModifierControl)));
  EXPECT_FALSE(view->recording());
  ASSERT_TRUE(view->shortcutValue());
  EXPECT_EQ(view->shortcutValue()->description(), QString::fromUtf16(u"\u2303U"));
  const auto drawing = view->drawing();
  EXPECT_EQ(drawing.title, QString::fromUtf16(u"\u2303U"));
  EXPECT_FALSE(drawing.titleOn);
  EXPECT_EQ(drawing.hintGlyph, QString(QChar(0x2715)));
  EXPECT_EQ(view->toolTipTagAt(QPoint(50, 12)), MASShortcutView::kUserDataShortcut);
  EXPECT_EQ(view->toolTipTagAt(QPoint(190, 12)), MASShortcutView::kUserDataHint);
  EXPECT_EQ(view->stringForToolTip(MASShortcutView::kUserDataShortcut),
            english("Click to record new shortcut", "单击记录快捷键"));
  EXPECT_EQ(view->stringForToolTip(MASShortcutView::kUserDataHint),
            english("Delete shortcut", "删除快捷键"));
  EXPECT_EQ(view->stringForToolTip(7), "");
  EXPECT_EQ(platform.announcements.back().first, "Shortcut set");
  EXPECT_EQ(view->accessibilityLabel(), QString::fromUtf16(u"\u2303U keyboard shortcut"));
}

TEST_P(MASShortcutViewTest, InvalidShortcutBeepsAndRecordingGoesOn) {
  view->setRecording(true);
  type(key(kKeyU));
  EXPECT_EQ(platform.beeps, 1);
  EXPECT_TRUE(view->recording());
  EXPECT_FALSE(type(key(kKeyF6)));
  EXPECT_FALSE(view->recording());
  EXPECT_EQ(view->shortcutValue()->keyCode(), kKeyF6);
}

TEST_P(MASShortcutViewTest, DeleteClearsOnlyWithoutModifiers) {
  view->setShortcutValue(MASShortcut(kKeyU, kModifierControl));
  view->setRecording(true);
  EXPECT_FALSE(type(key(kKeyDelete, kModifierControl)));
  EXPECT_EQ(view->shortcutValue()->keyCode(), kKeyDelete);  // a candidate, and a valid one
  view->setRecording(true);
  type(key(kKeyForwardDelete));
  EXPECT_FALSE(view->recording());
  EXPECT_FALSE(view->shortcutValue());
}

TEST_P(MASShortcutViewTest, TabAndCommandKeysPassOn) {
  view->setRecording(true);
  EXPECT_TRUE(type(key(kKeyTab)));
  EXPECT_TRUE(type(key(kKeyTab, kModifierShift)));
  EXPECT_TRUE(view->recording());
  EXPECT_TRUE(type(key(kKeyQ, kModifierCommand)));
  EXPECT_FALSE(view->recording());
  EXPECT_FALSE(view->shortcutValue());
  view->setRecording(true);
  EXPECT_TRUE(type(key(kKeyW, kModifierCommand)));
  EXPECT_FALSE(view->recording());
}

TEST_P(MASShortcutViewTest, OneRecorderAtATime) {
  other = std::make_unique<MASShortcutView>();
  other->resize(200, 24);
  view->setShortcutValue(MASShortcut(kKeyU, kModifierControl));
  clickShortcutRect(*view);
  EXPECT_TRUE(view->recording());
  clickShortcutRect(*other);
  EXPECT_TRUE(other->recording());
  EXPECT_FALSE(view->recording());
  EXPECT_EQ(view->shortcutValue()->keyCode(), kKeyU);
  type(key(kKeyD, kModifierControl));
  EXPECT_EQ(other->shortcutValue()->keyCode(), kKeyD);
  EXPECT_EQ(view->shortcutValue()->keyCode(), kKeyU);
}

TEST_P(MASShortcutViewTest, HintRectClicks) {
  view->setShortcutValue(MASShortcut(kKeyU, kModifierControl));
  clickHintRect(*view);
  EXPECT_FALSE(view->shortcutValue());
  EXPECT_FALSE(view->recording());
  view->setShortcutValue(MASShortcut(kKeyU, kModifierControl));
  view->setShowsDeleteButton(false);
  EXPECT_TRUE(view->drawing().hintGlyph.isEmpty());
  clickHintRect(*view);
  EXPECT_FALSE(view->shortcutValue());
  clickShortcutRect(*view);  // empty: any click records
  EXPECT_TRUE(view->recording());
  clickShortcutRect(*view);
  EXPECT_TRUE(view->recording());
  clickHintRect(*view);
  EXPECT_FALSE(view->recording());
}

TEST_P(MASShortcutViewTest, DisabledRecorder) {
  view->setShortcutValue(MASShortcut(kKeyU, kModifierControl));
  view->setEnabled(false);
  EXPECT_FALSE(view->hasHintArea());
  clickShortcutRect(*view);
  EXPECT_FALSE(view->recording());
  view->setRecording(true);
  EXPECT_FALSE(view->recording());
  // The tool tips installed while it was enabled stay until value or recording change.
  EXPECT_EQ(view->toolTipTagAt(QPoint(50, 12)), MASShortcutView::kUserDataShortcut);
  view->setShortcutValue(MASShortcut(kKeyD, kModifierControl));
  EXPECT_EQ(view->toolTipTagAt(QPoint(50, 12)), MASShortcutView::kNoToolTip);
  view->setEnabled(true);
  EXPECT_TRUE(view->hasHintArea());
}

TEST_P(MASShortcutViewTest, TakenShortcutAlertsWithTheMonitorOff) {
  platform.systemHotKeys = std::vector<SystemHotKey>{{kKeyK, 0x1000, true}};
  view->setRecording(true);
  size_t monitorsDuringAlert = 99;
  platform.onAlert = [&](const Alert&) { monitorsDuringAlert = platform.monitors.size(); };
  EXPECT_FALSE(type(key(kKeyK, kModifierControl)));
  ASSERT_EQ(platform.alerts.size(), 1u);
  EXPECT_EQ(monitorsDuringAlert, 0u);
  EXPECT_EQ(platform.alerts[0].style, 2);
  EXPECT_EQ(platform.alerts[0].buttons, std::vector<std::string>{"OK"});
  const QString expected = tenor()
                               ? QString::fromUtf16(u"组合键\u2303K不能被使用")
                               : QString::fromUtf16(u"The key combination \u2303K cannot be used");
  EXPECT_EQ(QString::fromStdString(platform.alerts[0].messageText), expected);
  EXPECT_TRUE(view->recording());
  EXPECT_EQ(platform.monitors.size(), 1u);
  EXPECT_FALSE(view->shortcutValue());
}

TEST_P(MASShortcutViewTest, WindowResignStopsRecording) {
  view->setRecording(true);
  platform.resignKeyWindow();
  EXPECT_FALSE(view->recording());
  EXPECT_TRUE(platform.resignObservers.empty());
  EXPECT_TRUE(platform.monitors.empty());
}

TEST_P(MASShortcutViewTest, GeometryByStyle) {
  const std::pair<int, int> widths[] = {{0, 23}, {1, 25}, {2, 26}, {3, 15}};
  for (auto [style, width] : widths) {
    view->setStyle(style);
    QRect shortcutRect, hintRect;
    view->getShortcutRect(&shortcutRect, &hintRect);
    EXPECT_EQ(hintRect.width(), width);
    EXPECT_EQ(shortcutRect.width() + hintRect.width(), 200);
  }
}

TEST_P(MASShortcutViewTest, AccessibilityPress) {
  EXPECT_EQ(view->accessibilityLabel(), "Empty keyboard shortcut");
  EXPECT_TRUE(view->accessibilityPerformPress());
  EXPECT_TRUE(view->recording());
  EXPECT_FALSE(view->accessibilityPerformPress());
}

TEST_P(MASShortcutViewTest, ScreenReadersSeeAButton) {
  view->setShortcutValue(MASShortcut(kKeyU, kModifierControl));
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(view.get());
  ASSERT_NE(accessible, nullptr);
  EXPECT_EQ(accessible->role(), QAccessible::Button);
  EXPECT_EQ(accessible->text(QAccessible::Name), QString::fromUtf16(u"\u2303U keyboard shortcut"));
  EXPECT_TRUE(accessible->text(QAccessible::Help).startsWith("To record a new shortcut"));
  accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(view->recording());
}

INSTANTIATE_FOR_BOTH_MODELS(MASShortcutViewTest);

}  // namespace
