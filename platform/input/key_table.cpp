#include "platform/input/key_table.h"

#include <iterator>

#include "platform/key_codes.h"

namespace platform::input {
namespace {

struct Row {
  KeyTableEntry entry;
  bool keypad;  // Qt reports these with the keypad modifier and the main key's value
};

// US positions; keysyms are the unshifted ones, Qt keys the values QKeyEvent::key() gives.
constexpr Row kRows[] = {
    {{0, 30, 0x0061, 0x00000041, 0}, false},                     // 'a'
    {{1, 31, 0x0073, 0x00000053, 0}, false},                     // 's'
    {{2, 32, 0x0064, 0x00000044, 0}, false},                     // 'd'
    {{3, 33, 0x0066, 0x00000046, 0}, false},                     // 'f'
    {{4, 35, 0x0068, 0x00000048, 0}, false},                     // 'h'
    {{5, 34, 0x0067, 0x00000047, 0}, false},                     // 'g'
    {{6, 44, 0x007a, 0x0000005a, 0}, false},                     // 'z'
    {{7, 45, 0x0078, 0x00000058, 0}, false},                     // 'x'
    {{8, 46, 0x0063, 0x00000043, 0}, false},                     // 'c'
    {{9, 47, 0x0076, 0x00000056, 0}, false},                     // 'v'
    {{11, 48, 0x0062, 0x00000042, 0}, false},                    // 'b'
    {{12, 16, 0x0071, 0x00000051, 0}, false},                    // 'q'
    {{13, 17, 0x0077, 0x00000057, 0}, false},                    // 'w'
    {{14, 18, 0x0065, 0x00000045, 0}, false},                    // 'e'
    {{15, 19, 0x0072, 0x00000052, 0}, false},                    // 'r'
    {{16, 21, 0x0079, 0x00000059, 0}, false},                    // 'y'
    {{17, 20, 0x0074, 0x00000054, 0}, false},                    // 't'
    {{18, 2, 0x0031, 0x00000031, 0}, false},                     // '1'
    {{19, 3, 0x0032, 0x00000032, 0}, false},                     // '2'
    {{20, 4, 0x0033, 0x00000033, 0}, false},                     // '3'
    {{21, 5, 0x0034, 0x00000034, 0}, false},                     // '4'
    {{22, 7, 0x0036, 0x00000036, 0}, false},                     // '6'
    {{23, 6, 0x0035, 0x00000035, 0}, false},                     // '5'
    {{24, 13, 0x003d, 0x0000003d, 0}, false},                    // '='
    {{25, 10, 0x0039, 0x00000039, 0}, false},                    // '9'
    {{26, 8, 0x0037, 0x00000037, 0}, false},                     // '7'
    {{27, 12, 0x002d, 0x0000002d, 0}, false},                    // '-'
    {{28, 9, 0x0038, 0x00000038, 0}, false},                     // '8'
    {{29, 11, 0x0030, 0x00000030, 0}, false},                    // '0'
    {{30, 27, 0x005d, 0x0000005d, 0}, false},                    // ']'
    {{31, 24, 0x006f, 0x0000004f, 0}, false},                    // 'o'
    {{32, 22, 0x0075, 0x00000055, 0}, false},                    // 'u'
    {{33, 26, 0x005b, 0x0000005b, 0}, false},                    // '['
    {{34, 23, 0x0069, 0x00000049, 0}, false},                    // 'i'
    {{35, 25, 0x0070, 0x00000050, 0}, false},                    // 'p'
    {{37, 38, 0x006c, 0x0000004c, 0}, false},                    // 'l'
    {{38, 36, 0x006a, 0x0000004a, 0}, false},                    // 'j'
    {{39, 40, 0x0027, 0x00000027, 0}, false},                    // "'"
    {{40, 37, 0x006b, 0x0000004b, 0}, false},                    // 'k'
    {{41, 39, 0x003b, 0x0000003b, 0}, false},                    // ';'
    {{42, 43, 0x005c, 0x0000005c, 0}, false},                    // '\\'
    {{43, 51, 0x002c, 0x0000002c, 0}, false},                    // ','
    {{44, 53, 0x002f, 0x0000002f, 0}, false},                    // '/'
    {{45, 49, 0x006e, 0x0000004e, 0}, false},                    // 'n'
    {{46, 50, 0x006d, 0x0000004d, 0}, false},                    // 'm'
    {{47, 52, 0x002e, 0x0000002e, 0}, false},                    // '.'
    {{50, 41, 0x0060, 0x00000060, 0}, false},                    // '`'
    {{10, 86, 0x00a7, 0x000000a7, 0}, false},                    // '§'
    {{36, 28, 0xff0d, 0x01000004, 0}, false},                    // Return
    {{48, 15, 0xff09, 0x01000001, 0}, false},                    // Tab
    {{49, 57, 0x0020, 0x00000020, 0}, false},                    // Space
    {{51, 14, 0xff08, 0x01000003, 0}, false},                    // Delete (backspace)
    {{53, 1, 0xff1b, 0x01000000, 0}, false},                     // Escape
    {{71, 69, 0xff0b, 0x0100000b, kModifierNumericPad}, true},   // keypad Clear
    {{76, 96, 0xff8d, 0x01000005, kModifierNumericPad}, true},   // keypad Enter
    {{65, 83, 0xffae, 0x0000002e, kModifierNumericPad}, true},   // keypad .
    {{67, 55, 0xffaa, 0x0000002a, kModifierNumericPad}, true},   // keypad *
    {{69, 78, 0xffab, 0x0000002b, kModifierNumericPad}, true},   // keypad +
    {{75, 98, 0xffaf, 0x0000002f, kModifierNumericPad}, true},   // keypad /
    {{78, 74, 0xffad, 0x0000002d, kModifierNumericPad}, true},   // keypad -
    {{81, 117, 0xffbd, 0x0000003d, kModifierNumericPad}, true},  // keypad =
    {{82, 82, 0xffb0, 0x00000030, kModifierNumericPad}, true},   // keypad 0
    {{83, 79, 0xffb1, 0x00000031, kModifierNumericPad}, true},   // keypad 1
    {{84, 80, 0xffb2, 0x00000032, kModifierNumericPad}, true},   // keypad 2
    {{85, 81, 0xffb3, 0x00000033, kModifierNumericPad}, true},   // keypad 3
    {{86, 75, 0xffb4, 0x00000034, kModifierNumericPad}, true},   // keypad 4
    {{87, 76, 0xffb5, 0x00000035, kModifierNumericPad}, true},   // keypad 5
    {{88, 77, 0xffb6, 0x00000036, kModifierNumericPad}, true},   // keypad 6
    {{89, 71, 0xffb7, 0x00000037, kModifierNumericPad}, true},   // keypad 7
    {{91, 72, 0xffb8, 0x00000038, kModifierNumericPad}, true},   // keypad 8
    {{92, 73, 0xffb9, 0x00000039, kModifierNumericPad}, true},   // keypad 9
    {{122, 59, 0xffbe, 0x01000030, kModifierFunction}, false},   // F1
    {{120, 60, 0xffbf, 0x01000031, kModifierFunction}, false},   // F2
    {{99, 61, 0xffc0, 0x01000032, kModifierFunction}, false},    // F3
    {{118, 62, 0xffc1, 0x01000033, kModifierFunction}, false},   // F4
    {{96, 63, 0xffc2, 0x01000034, kModifierFunction}, false},    // F5
    {{97, 64, 0xffc3, 0x01000035, kModifierFunction}, false},    // F6
    {{98, 65, 0xffc4, 0x01000036, kModifierFunction}, false},    // F7
    {{100, 66, 0xffc5, 0x01000037, kModifierFunction}, false},   // F8
    {{101, 67, 0xffc6, 0x01000038, kModifierFunction}, false},   // F9
    {{109, 68, 0xffc7, 0x01000039, kModifierFunction}, false},   // F10
    {{103, 87, 0xffc8, 0x0100003a, kModifierFunction}, false},   // F11
    {{111, 88, 0xffc9, 0x0100003b, kModifierFunction}, false},   // F12
    {{105, 183, 0xffca, 0x0100003c, kModifierFunction}, false},  // F13
    {{107, 184, 0xffcb, 0x0100003d, kModifierFunction}, false},  // F14
    {{113, 185, 0xffcc, 0x0100003e, kModifierFunction}, false},  // F15
    {{106, 186, 0xffcd, 0x0100003f, kModifierFunction}, false},  // F16
    {{64, 187, 0xffce, 0x01000040, kModifierFunction}, false},   // F17
    {{79, 188, 0xffcf, 0x01000041, kModifierFunction}, false},   // F18
    {{80, 189, 0xffd0, 0x01000042, kModifierFunction}, false},   // F19
    {{90, 190, 0xffd1, 0x01000043, kModifierFunction}, false},   // F20
    {{114, 110, 0xff6a, 0x01000058, kModifierFunction}, false},  // Help
    {{115, 102, 0xff50, 0x01000010, kModifierFunction}, false},  // Home
    {{116, 104, 0xff55, 0x01000016, kModifierFunction}, false},  // Page Up
    {{117, 111, 0xffff, 0x01000007, kModifierFunction}, false},  // Forward Delete
    {{119, 107, 0xff57, 0x01000011, kModifierFunction}, false},  // End
    {{121, 109, 0xff56, 0x01000017, kModifierFunction}, false},  // Page Down
    {{123, 105, 0xff51, 0x01000012, kModifierNumericPad | kModifierFunction}, false},  // Left Arrow
    {{124, 106, 0xff53, 0x01000014, kModifierNumericPad | kModifierFunction},
     false},  // Right Arrow
    {{125, 108, 0xff54, 0x01000015, kModifierNumericPad | kModifierFunction}, false},  // Down Arrow
    {{126, 103, 0xff52, 0x01000013, kModifierNumericPad | kModifierFunction}, false},  // Up Arrow
};

// Shifted marks of the US layout name the key of their unshifted mark.
uint32_t unshifted(uint32_t symbol) {
  constexpr char kShifted[] = "!@#$%^&*()_+{}|:\"<>?~";
  constexpr char kBase[] = "1234567890-=[]\\;',./`";
  for (size_t i = 0; i + 1 < sizeof kShifted; ++i) {
    if (symbol == static_cast<uint32_t>(kShifted[i])) return static_cast<uint32_t>(kBase[i]);
  }
  return symbol;
}

}  // namespace

std::optional<KeyTableEntry> keyForQtKey(uint32_t qtKey, bool keypad) {
  qtKey = unshifted(qtKey);
  for (const auto& row : kRows) {
    if (row.entry.qtKey == qtKey && row.keypad == keypad) return row.entry;
  }
  // A key that is only on the keypad (Enter) or only on the main block.
  for (const auto& row : kRows) {
    if (row.entry.qtKey == qtKey) return row.entry;
  }
  return std::nullopt;
}

std::optional<KeyTableEntry> keyForKeysym(uint32_t keysym) {
  for (const auto& row : kRows) {
    if (row.entry.keysym == keysym && !row.keypad) return row.entry;
  }
  for (const auto& row : kRows) {
    if (row.entry.keysym == keysym) return row.entry;
  }
  return std::nullopt;
}

std::optional<KeyTableEntry> keyForEvdev(uint32_t evdevCode) {
  for (const auto& row : kRows) {
    if (row.entry.evdevCode == evdevCode) return row.entry;
  }
  return std::nullopt;
}

std::optional<KeyTableEntry> keyForCode(uint16_t keyCode) {
  for (const auto& row : kRows) {
    if (row.entry.keyCode == keyCode) return row.entry;
  }
  return std::nullopt;
}

uint64_t modifiersFromX11State(uint32_t state) {
  uint64_t flags = 0;
  if (state & 0x01) flags |= kModifierShift;
  if (state & 0x02) flags |= kModifierCapsLock;
  if (state & 0x04) flags |= kModifierControl;
  if (state & 0x08) flags |= kModifierOption;
  if (state & 0x40) flags |= kModifierCommand;
  return flags;
}

}  // namespace platform::input
