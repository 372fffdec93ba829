#pragma once
// Keyboard services from the X server's current keymap (xkbcommon), with the
// key table's US text where there is no X server.

#include <mutex>

#include "platform/key_table_keyboard.h"
#include "platform/keyboard_services.h"

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace platform::linux_backend {

class XkbKeyboardServices : public KeyboardServices {
 public:
  XkbKeyboardServices();
  ~XkbKeyboardServices() override;

  bool hasKeyLayout() override { return true; }
  KeyTranslation translateKey(uint16_t keyCode, uint32_t deadKeyState, bool noDeadKeys) override;
  // No list of the desktop's own shortcuts is available on X11.
  std::optional<std::vector<SystemHotKey>> copySymbolicHotKeys() override {
    return std::vector<SystemHotKey>{};
  }

 private:
  std::mutex mutex_;
  xkb_context* context_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
  KeyTableKeyboard fallback_;
};

}  // namespace platform::linux_backend
