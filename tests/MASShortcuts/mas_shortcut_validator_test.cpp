#include "MASShortcuts/mas_shortcut_validator.h"

#include "MASShortcuts/mas_localized_string.h"
#include "MASShortcuts/mas_recorder_texts.h"
#include "platform/key_codes.h"
#include "tests/support/fixture.h"

namespace {

using namespace platform;

class MASShortcutValidatorTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    MASSetLocalizationChinese(false);
    MASSetRecorderTextsChinese(false);
    validator.setAllowAnyShortcutWithOptionModifier(false);
  }
  MASShortcutValidator validator;
};

TEST_P(MASShortcutValidatorTest, Validity) {
  struct Case {
    int64_t key;
    uint64_t flags;
    bool valid;
  };
  const Case cases[] = {
      {kKeyF5, 0, true},
      {kKeyF20, 0, true},
      {kKeyF1, kModifierShift, true},
      {kKeyA, 0, false},
      {kKeyA, kModifierShift, false},
      {kKeyA, kModifierOption, false},
      {kKeyA, kModifierControl, true},
      {kKeyA, kModifierCommand | kModifierShift, true},
      {kKeySpace, kModifierOption, true},
      {kKeyEscape, kModifierOption, true},
      {kKeySpace, kModifierOption | kModifierShift, true},
      {kKeyU, kModifierShift | kModifierOption, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(validator.isShortcutValid(MASShortcut(c.key, c.flags)), c.valid)
        << c.key << " " << c.flags;
  }
  validator.setAllowAnyShortcutWithOptionModifier(true);
  EXPECT_TRUE(validator.isShortcutValid(MASShortcut(kKeyA, kModifierOption)));
}

MASMenu sampleMenu() {
  MASMenuItem quit{"Quit", "q", kModifierCommand, {}};
  MASMenuItem shiftQuit{"Quit Everything", "Q", kModifierCommand, {}};
  MASMenuItem deep{"Deep", "k", kModifierControl, {}};
  MASMenuItem deeper{"Deeper", "k", kModifierControl, {}};
  MASMenuItem inner{"Inner", "", 0, {deep, deeper}};
  MASMenuItem outer{"Outer", "", 0, {inner}};
  MASMenuItem plain{"No shortcut", "", kModifierCommand, {}};
  return {plain, quit, shiftQuit, outer};
}

TEST_P(MASShortcutValidatorTest, MenuClashes) {
  const MASMenu menu = sampleMenu();
  MASSetRecorderTextsChinese(true);
  QString explanation = "untouched";
  EXPECT_FALSE(validator.isShortcutAlreadyTakenInMenu(MASShortcut(kKeyU, kModifierCommand), menu,
                                                      &explanation));
  EXPECT_EQ(explanation, "untouched");
  EXPECT_TRUE(validator.isShortcutAlreadyTakenInMenu(MASShortcut(kKeyQ, kModifierCommand), menu,
                                                     &explanation));
  const QString english = QString::fromUtf8(
      "This shortcut cannot be used because it is already used by the menu item \u2018Quit\u2019.");
  const QString chinese = QString::fromUtf8("键入快捷键已经被 \u2018Quit\u2019 菜单所使用.");
  EXPECT_EQ(explanation, chinese);
  MASSetRecorderTextsChinese(false);
  validator.isShortcutAlreadyTakenInMenu(MASShortcut(kKeyQ, kModifierCommand), menu, &explanation);
  EXPECT_EQ(explanation, english);
  // An upper-case key equivalent means Shift.
  EXPECT_TRUE(validator.isShortcutAlreadyTakenInMenu(
      MASShortcut(kKeyQ, kModifierCommand | kModifierShift), menu, &explanation));
  EXPECT_TRUE(explanation.contains("Quit Everything"));
  // Depth first, in menu order: the first clashing item names the explanation.
  EXPECT_TRUE(validator.isShortcutAlreadyTakenInMenu(MASShortcut(kKeyK, kModifierControl), menu,
                                                     &explanation));
  EXPECT_TRUE(explanation.contains(QString::fromUtf8("\u2018Deep\u2019")));
  EXPECT_TRUE(
      validator.isShortcutAlreadyTakenInMenu(MASShortcut(kKeyK, kModifierControl), menu, nullptr));
}

TEST_P(MASShortcutValidatorTest, SystemHotKeys) {
  const MASShortcut controlK(kKeyK, kModifierControl);
  platform.systemHotKeys = std::vector<SystemHotKey>{{kKeyK, 0x1000, false}};
  MASShortcutValidator::setMainMenuProvider(sampleMenu);
  QString explanation;
  // The disabled system entry does not count; the menu check still runs.
  EXPECT_TRUE(validator.isShortcutAlreadyTakenBySystem(controlK, &explanation));
  EXPECT_TRUE(explanation.contains("Deep"));
  platform.systemHotKeys = std::vector<SystemHotKey>{{kKeyK, 0x1000, true}};
  EXPECT_TRUE(validator.isShortcutAlreadyTakenBySystem(controlK, &explanation));
  EXPECT_TRUE(
      explanation.startsWith("This combination cannot be used because it is already used "
                             "by a system-wide keyboard shortcut.\nIf you really"));
  platform.systemHotKeys.reset();  // the query fails: the menus decide
  EXPECT_FALSE(
      validator.isShortcutAlreadyTakenBySystem(MASShortcut(kKeyU, kModifierControl), &explanation));
  MASShortcutValidator::setMainMenuProvider(nullptr);
}

INSTANTIATE_FOR_BOTH_MODELS(MASShortcutValidatorTest);

}  // namespace
