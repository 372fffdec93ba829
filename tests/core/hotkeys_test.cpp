#include "core/app_delegate.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "platform/key_codes.h"
#include "tests/support/fixture.h"

namespace {

using namespace platform;

Event key(uint16_t code, uint64_t modifiers) {
  return {kEventKeyDown, modifiers, code, true};
}

class ThresholdDialog : public ThresholdView {
 public:
  void updateThreshold() override { ++updates; }
  int updates = 0;
};

class ActivityHandlerTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    FreshHandSoftEnable = 1;
    FreshHandHardEnable = 1;
  }
  void press(const Event& event) {
    ScreenSaveCount = 5;
    delegate.handleActivityEvent(event);
    EXPECT_EQ(ScreenSaveCount.load(), 0);
  }
  AppDelegate delegate;
};

TEST_P(ActivityHandlerTest, ContrastUpWithTheDefaultHotkey) {
  press(key(kKeyU, kModifierControl));
  EXPECT_EQ(Threshold.load(), 210);
  EXPECT_EQ(SettingViewControllerThreshold.load(), 210);
  EXPECT_EQ(SettingViewControllerThresholdFlag.load(), 1);
  EXPECT_NE(takeStdout().find("Press Contrast up hotkey.\nadd threshold .\n"), std::string::npos);
}

TEST_P(ActivityHandlerTest, EndsOfTheRange) {
  struct Case {
    bool up;
    uint16_t before, alto, tenor;
  };
  const Case cases[] = {{true, 245, 255, 255}, {true, 250, 250, 255}, {true, 246, 246, 255},
                        {false, 11, 1, 1},     {false, 10, 10, 1},    {false, 200, 190, 190}};
  for (const auto& c : cases) {
    Threshold = c.before;
    SettingViewControllerThresholdFlag = 0;
    press(key(c.up ? kKeyU : kKeyD, kModifierControl));
    const uint16_t expected = tenor() ? c.tenor : c.alto;
    EXPECT_EQ(Threshold.load(), expected) << c.before;
    // Even an unchanged value goes to the worker.
    EXPECT_EQ(SettingViewControllerThreshold.load(), expected);
    EXPECT_EQ(SettingViewControllerThresholdFlag.load(), 1);
  }
  EXPECT_NE(takeStdout().find("Press Contrast down hotkey.\ndel threshold .\n"), std::string::npos);
}

TEST_P(ActivityHandlerTest, ModifierWordMustMatchExactly) {
  const Event misses[] = {
      key(kKeyU, kModifierControl | kModifierShift),
      key(kKeyU, 0),
      key(kKeyU, kModifierControl | kModifierCapsLock),
      key(kKeyI, kModifierControl),
      {kEventMouseMoved, kModifierControl, kKeyU, false},
      {kEventScrollWheel, kModifierControl, 0, false},
  };
  for (const auto& event : misses) {
    press(event);
    EXPECT_EQ(Threshold.load(), 200);
    EXPECT_EQ(SettingViewControllerThresholdFlag.load(), 0);
  }
  // Device-dependent bits below 16 are masked away before the comparison.
  press(key(kKeyU, kModifierControl | 0x0101));
  EXPECT_EQ(Threshold.load(), 210);
}

TEST_P(ActivityHandlerTest, ArrowAndFunctionKeysCarryBitsThatNeverMatch) {
  ContrastHotkeyKeyCode = kKeyUpArrow;
  RefreshHotkeyKeyCode = kKeyF5;
  press(key(kKeyUpArrow, kModifierControl | kModifierNumericPad | kModifierFunction));
  press(key(kKeyF5, kModifierControl | kModifierFunction));
  EXPECT_EQ(Threshold.load(), 200);
  EXPECT_EQ(ClearBlurFlag.load(), 0);
}

TEST_P(ActivityHandlerTest, SameCombinationOnTwoHotkeysDoesBoth) {
  RefreshHotkeyKeyCode = kKeyU;
  press(key(kKeyU, kModifierControl));
  EXPECT_EQ(Threshold.load(), 210);
  EXPECT_EQ(ClearBlurFlag.load(), 2);
}

TEST_P(ActivityHandlerTest, EnableSwitches) {
  FreshHandSoftEnable = 0;
  press(key(kKeyU, kModifierControl));
  EXPECT_EQ(Threshold.load(), 200);
  FreshHandSoftEnable = 2;  // only exactly 1 counts
  press(key(kKeyD, kModifierControl));
  EXPECT_EQ(Threshold.load(), 200);
  EXPECT_EQ(takeStdout().find("hotkey"), std::string::npos);
  FreshHandHardEnable = 0;
  press(key(kKeyX, kModifierControl));
  EXPECT_EQ(ClearBlurFlag.load(), 0);
  EXPECT_NE(takeStdout().find("Presss refresh hotkey.\n"), std::string::npos);
  FreshHandHardEnable = 1;
  press(key(kKeyX, kModifierControl));
  EXPECT_EQ(ClearBlurFlag.load(), 2);
}

TEST_P(ActivityHandlerTest, HotkeyWithoutModifier) {
  RefreshHotkeyModifierFlags = 0;
  RefreshHotkeyKeyCode = kKeyF6;
  press(key(kKeyF6, 0));
  // Tenor never matches a hotkey without a modifier; Alto compares 0 with 0.
  EXPECT_EQ(ClearBlurFlag.load(), tenor() ? 0 : 2);
}

TEST_P(ActivityHandlerTest, OpenSettingsDialogIsUpdated) {
  ThresholdDialog dialog;
  SVC = &dialog;
  press(key(kKeyU, kModifierControl));
  SVC = nullptr;
  press(key(kKeyU, kModifierControl));
  // The first post reads SVC when it runs: the dialog has closed by then.
  EXPECT_EQ(platform.mainQueue.size(), 1u);
  platform.drainMainQueue();
  EXPECT_EQ(dialog.updates, 0);
  SVC = &dialog;
  press(key(kKeyD, kModifierControl));
  platform.drainMainQueue();
  EXPECT_EQ(dialog.updates, 1);
}

INSTANTIATE_FOR_BOTH_MODELS(ActivityHandlerTest);

}  // namespace
