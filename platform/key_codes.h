#pragma once
// Virtual key codes and modifier bits as the private data file stores them.

#include <cstdint>

namespace platform {

enum ModifierFlag : uint64_t {
  kModifierCapsLock = 0x10000,
  kModifierShift = 0x20000,
  kModifierControl = 0x40000,
  kModifierOption = 0x80000,
  kModifierCommand = 0x100000,
  kModifierNumericPad = 0x200000,
  kModifierFunction = 0x800000,
  kDeviceIndependentModifierMask = 0xffff0000,
};

enum KeyCode : uint16_t {
  kKeyA = 0,
  kKeyS = 1,
  kKeyD = 2,
  kKeyX = 7,
  kKeyQ = 12,
  kKeyT = 17,
  kKeyW = 13,
  kKeyU = 32,
  kKeyI = 34,
  kKeyK = 40,
  kKeyReturn = 36,
  kKeyTab = 48,
  kKeySpace = 49,
  kKeyDelete = 51,
  kKeyEscape = 53,
  kKeyF17 = 64,
  kKeyF18 = 79,
  kKeyF19 = 80,
  kKeyF20 = 90,
  kKeyF5 = 96,
  kKeyF6 = 97,
  kKeyF1 = 122,
  kKeyF4 = 118,
  kKeyPageDown = 121,
  kKeyForwardDelete = 117,
  kKeyLeftArrow = 123,
  kKeyRightArrow = 124,
  kKeyDownArrow = 125,
  kKeyUpArrow = 126,
};

}  // namespace platform
