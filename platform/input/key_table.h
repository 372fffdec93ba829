#pragma once
// The one table between this program's virtual key codes (the numbering the
// private data file stores) and the key positions, X11 keysyms and Qt key
// values that the backends see, with the modifier bits that some keys carry
// of their own.

#include <cstdint>
#include <optional>

namespace platform::input {

struct KeyTableEntry {
  uint16_t keyCode;       // virtual key code
  uint32_t evdevCode;     // the key's position on a Linux keyboard (X keycode - 8)
  uint32_t keysym;        // X11 keysym (the unshifted one)
  uint32_t qtKey;         // Qt::Key value
  uint64_t ownModifiers;  // numeric-pad / function bits the key always carries
};

std::optional<KeyTableEntry> keyForQtKey(uint32_t qtKey, bool keypad);
std::optional<KeyTableEntry> keyForEvdev(uint32_t evdevCode);
std::optional<KeyTableEntry> keyForCode(uint16_t keyCode);
// The key of an unshifted X11 keysym; the main block's before the keypad's.
std::optional<KeyTableEntry> keyForKeysym(uint32_t keysym);

// Modifier bits of this numbering from the X11 state mask (Shift 1, Lock 2,
// Control 4, Mod1 = Alt 8, Mod4 = Super 0x40).
uint64_t modifiersFromX11State(uint32_t state);

}  // namespace platform::input
