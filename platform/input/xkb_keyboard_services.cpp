#include "platform/input/xkb_keyboard_services.h"

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include "platform/input/key_table.h"
#include "platform/key_codes.h"

namespace platform::input {
namespace {

// A keymap read this long ago is read again: layouts change rarely, and
// reading one costs a few round trips to the X server.
constexpr std::chrono::seconds kKeymapLifetime{1};
constexpr uint32_t kEvdevKeyA = 30;

// The spacing character each dead key stands for.
char16_t deadKeyCharacter(xkb_keysym_t sym) {
  switch (sym) {
    case XKB_KEY_dead_grave:
      return u'`';
    case XKB_KEY_dead_acute:
      return u'\u00B4';
    case XKB_KEY_dead_circumflex:
      return u'^';
    case XKB_KEY_dead_tilde:
      return u'~';
    case XKB_KEY_dead_macron:
      return u'\u00AF';
    case XKB_KEY_dead_breve:
      return u'\u02D8';
    case XKB_KEY_dead_abovedot:
      return u'\u02D9';
    case XKB_KEY_dead_diaeresis:
      return u'\u00A8';
    case XKB_KEY_dead_abovering:
      return u'\u02DA';
    case XKB_KEY_dead_doubleacute:
      return u'\u02DD';
    case XKB_KEY_dead_caron:
      return u'\u02C7';
    case XKB_KEY_dead_cedilla:
      return u'\u00B8';
    case XKB_KEY_dead_ogonek:
      return u'\u02DB';
    default:
      return 0;
  }
}

std::u16string utf16(uint32_t codePoint) {
  if (codePoint == 0) return {};
  if (codePoint < 0x10000) return std::u16string(1, static_cast<char16_t>(codePoint));
  codePoint -= 0x10000;
  return {static_cast<char16_t>(0xD800 + (codePoint >> 10)),
          static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF))};
}

}  // namespace

std::u16string keyTextInLayout(xkb_keymap* keymap, uint32_t layout, uint32_t x11Keycode,
                               uint32_t* deadKeySym) {
  const xkb_keysym_t* syms = nullptr;
  const int count = xkb_keymap_key_get_syms_by_level(keymap, x11Keycode, layout, 0, &syms);
  if (count < 1) return {};
  if (const char16_t dead = deadKeyCharacter(syms[0])) {
    if (deadKeySym != nullptr) *deadKeySym = syms[0];
    return std::u16string(1, dead);
  }
  return utf16(xkb_keysym_to_utf32(syms[0]));
}

uint32_t asciiCapableLayout(xkb_keymap* keymap, uint32_t activeLayout) {
  const auto isAscii = [keymap](uint32_t layout) {
    const std::u16string text = keyTextInLayout(keymap, layout, kEvdevKeyA + 8);
    return !text.empty() && text[0] < 0x80;
  };
  if (isAscii(activeLayout)) return activeLayout;
  const uint32_t layouts = xkb_keymap_num_layouts(keymap);
  for (uint32_t layout = 0; layout < layouts; ++layout) {
    if (isAscii(layout)) return layout;
  }
  return activeLayout;
}

XkbKeyboardServices::XkbKeyboardServices(bool wayland) {
  if (wayland) {
    context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    wayland_ = std::make_unique<WaylandKeymap>(context_);
    if (!wayland_->connect()) wayland_.reset();
    refreshKeymap();
    return;
  }
  connection_ = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection_) != 0 ||
      xkb_x11_setup_xkb_extension(
          connection_, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
          XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr) == 0) {
    return;
  }
  context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  device_ = xkb_x11_get_core_keyboard_device_id(connection_);
  refreshKeymap();
}

XkbKeyboardServices::~XkbKeyboardServices() {
  wayland_.reset();
  if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
  if (context_ != nullptr) xkb_context_unref(context_);
  if (connection_ != nullptr) xcb_disconnect(connection_);
}

bool XkbKeyboardServices::refreshKeymap() {
  if (context_ == nullptr || (wayland_ == nullptr && device_ < 0)) return false;
  const auto now = std::chrono::steady_clock::now();
  if (keymap_ != nullptr && now - keymapRead_ < kKeymapLifetime) return true;
  xkb_keymap* fresh = wayland_ != nullptr
                          ? wayland_->current()
                          : xkb_x11_keymap_new_from_device(context_, connection_, device_,
                                                           XKB_KEYMAP_COMPILE_NO_FLAGS);
  if (fresh != nullptr) {
    if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
    keymap_ = fresh;
    keymapRead_ = now;
  }
  return keymap_ != nullptr;
}

uint32_t XkbKeyboardServices::activeLayout() {
  // A compositor tells the group in force only to the client it focuses:
  // the first layout stands for it.
  if (wayland_ != nullptr) return 0;
  xkb_state* state = xkb_x11_state_new_from_device(keymap_, connection_, device_);
  if (state == nullptr) return 0;
  const uint32_t layout = xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE);
  xkb_state_unref(state);
  return layout;
}

KeyTranslation XkbKeyboardServices::translateKey(uint16_t keyCode, uint32_t deadKeyState,
                                                 bool noDeadKeys) {
  const auto key = keyForCode(keyCode);
  std::lock_guard<std::mutex> lock(mutex_);
  if (!key || !refreshKeymap()) return fallback_.translateKey(keyCode, deadKeyState, noDeadKeys);
  KeyTranslation translation;
  translation.ok = true;
  const uint32_t layout = asciiCapableLayout(keymap_, activeLayout());
  uint32_t deadKeySym = 0;
  std::u16string text = keyTextInLayout(keymap_, layout, key->evdevCode + 8, &deadKeySym);
  if (deadKeySym != 0 && !noDeadKeys && deadKeyState == 0) {
    // A dead key types nothing yet; the next key completes it.
    translation.deadKeyState = deadKeySym;
    return translation;
  }
  // After a dead key, the space bar types the dead key's own character.
  const char16_t pending = deadKeyCharacter(deadKeyState);
  if (pending != 0 && keyCode == kKeySpace) text = std::u16string(1, pending);
  translation.characters = std::move(text);
  return translation;
}

}  // namespace platform::input
