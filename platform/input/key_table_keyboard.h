#pragma once
// Keyboard services from the key table alone (a US layout, no system hot
// keys): what the program uses where no X server describes the keyboard.

#include "platform/keyboard_services.h"

namespace platform::input {

class KeyTableKeyboard : public KeyboardServices {
 public:
  bool hasKeyLayout() override { return true; }
  KeyTranslation translateKey(uint16_t keyCode, uint32_t deadKeyState, bool noDeadKeys) override;
  std::optional<std::vector<SystemHotKey>> copySymbolicHotKeys() override {
    return std::vector<SystemHotKey>{};
  }
};

}  // namespace platform::input
