#include "platform/linux/xkb_keyboard_services.h"

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include "platform/key_table.h"

namespace platform::linux_backend {

XkbKeyboardServices::XkbKeyboardServices() {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection) == 0 &&
      xkb_x11_setup_xkb_extension(
          connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
          XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr) != 0) {
    context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    if (context_ != nullptr && device >= 0) {
      keymap_ =
          xkb_x11_keymap_new_from_device(context_, connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS);
    }
  }
  xcb_disconnect(connection);
}

XkbKeyboardServices::~XkbKeyboardServices() {
  if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
  if (context_ != nullptr) xkb_context_unref(context_);
}

KeyTranslation XkbKeyboardServices::translateKey(uint16_t keyCode, uint32_t deadKeyState,
                                                 bool noDeadKeys) {
  const auto key = keyForCode(keyCode);
  std::lock_guard<std::mutex> lock(mutex_);
  if (keymap_ == nullptr || !key) return fallback_.translateKey(keyCode, deadKeyState, noDeadKeys);
  KeyTranslation translation;
  translation.ok = true;
  xkb_state* state = xkb_state_new(keymap_);
  if (state == nullptr) return translation;
  // The key at this position in the current layout, with no modifiers held.
  const xkb_keycode_t x11Keycode = key->evdevCode + 8;
  char text[64] = {};
  const int length = xkb_state_key_get_utf8(state, x11Keycode, text, sizeof text);
  xkb_state_unref(state);
  if (length > 0 && static_cast<size_t>(length) < sizeof text) {
    // UTF-8 to UTF-16 for the characters of the basic plane, which is all a key gives.
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    for (int i = 0; i < length;) {
      char16_t character = 0;
      if (bytes[i] < 0x80) {
        character = bytes[i++];
      } else if ((bytes[i] & 0xE0) == 0xC0 && i + 1 < length) {
        character = static_cast<char16_t>(((bytes[i] & 0x1F) << 6) | (bytes[i + 1] & 0x3F));
        i += 2;
      } else if ((bytes[i] & 0xF0) == 0xE0 && i + 2 < length) {
        character = static_cast<char16_t>(((bytes[i] & 0x0F) << 12) | ((bytes[i + 1] & 0x3F) << 6) |
                                          (bytes[i + 2] & 0x3F));
        i += 3;
      } else {
        break;
      }
      translation.characters.push_back(character);
    }
  }
  return translation;
}

}  // namespace platform::linux_backend
