#pragma once
// Keyboard services from the session's current keymap (xkbcommon): the X
// server's, or in a Wayland session the compositor's, with the key table's
// US text where neither gives one. The keymap (and on X11 the active layout
// group) is read again when it may have changed, so a layout switched while
// the program runs names keys as the user now types them.

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/input/key_table_keyboard.h"
#include "platform/input/wayland_keymap.h"
#include "platform/keyboard_services.h"

struct xkb_context;
struct xkb_keymap;
struct xcb_connection_t;

namespace platform::input {

// The text of a key with no modifiers in one layout of a keymap. A dead key
// gives the spacing character it stands for (^ for the circumflex) and, when
// deadKeySym is given, its keysym there.
std::u16string keyTextInLayout(xkb_keymap* keymap, uint32_t layout, uint32_t x11Keycode,
                               uint32_t* deadKeySym = nullptr);
// The layout the user types in, or the first ASCII-capable one when the
// active layout is not (a Cyrillic or Greek layout, say).
uint32_t asciiCapableLayout(xkb_keymap* keymap, uint32_t activeLayout);

class XkbKeyboardServices : public KeyboardServices {
 public:
  // wayland: the session is a Wayland one, whose compositor has the keymap.
  explicit XkbKeyboardServices(bool wayland);
  ~XkbKeyboardServices() override;

  bool hasKeyLayout() override { return true; }
  KeyTranslation translateKey(uint16_t keyCode, uint32_t deadKeyState, bool noDeadKeys) override;
  // The shortcuts no hotkey may take, as the program is told them (the
  // standard editing keys); none until told.
  std::optional<std::vector<SystemHotKey>> copySymbolicHotKeys() override {
    return systemHotKeys_ ? systemHotKeys_() : std::vector<SystemHotKey>{};
  }
  void setSystemHotKeys(std::function<std::vector<SystemHotKey>()> list) {
    systemHotKeys_ = std::move(list);
  }

 private:
  bool refreshKeymap();
  uint32_t activeLayout();

  std::mutex mutex_;
  xcb_connection_t* connection_ = nullptr;
  int32_t device_ = -1;
  xkb_context* context_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
  std::unique_ptr<WaylandKeymap> wayland_;
  std::chrono::steady_clock::time_point keymapRead_;
  KeyTableKeyboard fallback_;
  std::function<std::vector<SystemHotKey>()> systemHotKeys_;
};

}  // namespace platform::input
