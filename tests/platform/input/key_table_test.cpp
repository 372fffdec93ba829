#include "platform/input/key_table.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/input/xinput_global_events.h"
#include "platform/key_codes.h"

namespace {

using namespace platform;
using namespace platform::input;

TEST(KeyTable, EveryNamedKeyBothWays) {
  struct Key {
    uint16_t code;
    uint32_t evdev;
    uint32_t keysym;
    uint64_t ownModifiers;
  };
  const uint64_t fn = kModifierFunction, arrow = kModifierNumericPad | kModifierFunction;
  const Key keys[] = {
      {0, 30, 'a', 0},
      {2, 32, 'd', 0},
      {7, 45, 'x', 0},
      {32, 22, 'u', 0},
      {36, 28, 0xff0d, 0},
      {48, 15, 0xff09, 0},
      {49, 57, ' ', 0},
      {51, 14, 0xff08, 0},
      {53, 1, 0xff1b, 0},
      {82, 82, 0xffb0, kModifierNumericPad},
      {76, 96, 0xff8d, kModifierNumericPad},
      {122, 59, 0xffbe, fn},
      {96, 63, 0xffc2, fn},
      {111, 88, 0xffc9, fn},
      {80, 189, 0xffd0, fn},
      {90, 190, 0xffd1, fn},
      {123, 105, 0xff51, arrow},
      {124, 106, 0xff53, arrow},
      {125, 108, 0xff54, arrow},
      {126, 103, 0xff52, arrow},
      {115, 102, 0xff50, fn},
      {119, 107, 0xff57, fn},
      {116, 104, 0xff55, fn},
      {121, 109, 0xff56, fn},
      {117, 111, 0xffff, fn},
      {114, 110, 0xff6a, fn},
  };
  for (const auto& key : keys) {
    const auto byCode = keyForCode(key.code);
    ASSERT_TRUE(byCode) << key.code;
    EXPECT_EQ(byCode->evdevCode, key.evdev) << key.code;
    EXPECT_EQ(byCode->keysym, key.keysym) << key.code;
    EXPECT_EQ(byCode->ownModifiers, key.ownModifiers) << key.code;
    EXPECT_EQ(keyForEvdev(key.evdev)->keyCode, key.code);
  }
  for (uint16_t code = 0; code < 128; ++code) {
    if (const auto key = keyForCode(code)) {
      EXPECT_EQ(keyForEvdev(key->evdevCode)->keyCode, code);
    }
  }
}

TEST(KeyTable, ModifiersFromX11) {
  EXPECT_EQ(modifiersFromX11State(0x04), kModifierControl);
  EXPECT_EQ(modifiersFromX11State(0x01 | 0x08), kModifierShift | kModifierOption);
  EXPECT_EQ(modifiersFromX11State(0x40), kModifierCommand);
  EXPECT_EQ(modifiersFromX11State(0x02), kModifierCapsLock);
  const Event up = eventFromRawKey(103 + 8, 0x04);
  EXPECT_EQ(up.keyCode, 126);
  EXPECT_EQ(up.modifierFlags, kModifierControl | kModifierNumericPad | kModifierFunction);
  const Event u = eventFromRawKey(22 + 8, 0x04 | 0x02);
  EXPECT_EQ(u.keyCode, 32);
  EXPECT_EQ(u.modifierFlags, kModifierControl | kModifierCapsLock);
  EXPECT_FALSE(eventFromRawKey(250, 0).hasKeyCode);
}

TEST(ModifierKeysHeld, FollowsPressesAndReleases) {
  ModifierKeys held;
  EXPECT_TRUE(held.update(29 + 8, true));   // left Control
  EXPECT_TRUE(held.update(54 + 8, true));   // right Shift
  EXPECT_FALSE(held.update(22 + 8, true));  // U is no modifier
  EXPECT_EQ(held.state(), 0x04u | 0x01u);
  held.update(54 + 8, false);
  EXPECT_EQ(held.state(), 0x04u);
}

}  // namespace
