#pragma once
// Keyboard services: the text a key produces in the current layout and the
// key combinations that the system keeps for itself.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct KeyTranslation {
  bool ok = false;
  std::u16string characters;
  uint32_t deadKeyState = 0;
};

struct SystemHotKey {
  uint32_t keyCode = 0;
  uint32_t modifiers = 0;  // toolbox encoding (cmdKey 0x100, shiftKey 0x200 ...)
  bool enabled = false;
};

class KeyboardServices {
 public:
  virtual ~KeyboardServices() = default;
  // False when there is no current ASCII-capable layout with key data.
  virtual bool hasKeyLayout() = 0;
  // The characters a virtual key code produces with no modifier keys, starting
  // from the given dead-key state. With noDeadKeys a dead key gives its own
  // character; without, it gives no character and a new dead-key state.
  virtual KeyTranslation translateKey(uint16_t keyCode, uint32_t deadKeyState, bool noDeadKeys) = 0;
  virtual std::optional<std::vector<SystemHotKey>> copySymbolicHotKeys() = 0;
};

}  // namespace platform
