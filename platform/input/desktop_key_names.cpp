#include "platform/input/desktop_key_names.h"

#include <xkbcommon/xkbcommon.h>

#include <array>

#include "platform/input/key_table.h"
#include "platform/key_codes.h"

namespace platform::input {
namespace {

// The key's xkb name ("u", "F5", "Left"), which both desktops take, after
// the modifiers' names in the order Shift, Control, Option, Command; "" when
// the key has no name.
std::string keyWithModifiers(uint32_t keyCode, uint32_t modifierFlags,
                             const std::array<const char*, 4>& modifierNames) {
  const auto key = keyForCode(static_cast<uint16_t>(keyCode));
  char name[64] = {};
  if (!key || xkb_keysym_get_name(key->keysym, name, sizeof name) <= 0) return {};
  const std::array<uint32_t, 4> modifiers = {kModifierShift, kModifierControl, kModifierOption,
                                             kModifierCommand};
  std::string text;
  for (size_t i = 0; i < modifiers.size(); ++i) {
    if (modifierFlags & modifiers[i]) text += modifierNames[i];
  }
  return text + name;
}

}  // namespace

std::string gnomeAccelerator(uint32_t keyCode, uint32_t modifierFlags) {
  return keyWithModifiers(keyCode, modifierFlags, {"<Shift>", "<Control>", "<Alt>", "<Super>"});
}

std::string swayKeyCombination(uint32_t keyCode, uint32_t modifierFlags) {
  return keyWithModifiers(keyCode, modifierFlags, {"Shift+", "Ctrl+", "Mod1+", "Mod4+"});
}

}  // namespace platform::input
