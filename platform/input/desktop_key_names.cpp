#include "platform/input/desktop_key_names.h"

#include <xkbcommon/xkbcommon.h>

#include "platform/input/key_table.h"
#include "platform/key_codes.h"

namespace platform::session {
namespace {

// The key's xkb name ("u", "F5", "Left"), which both desktops take.
std::string keyName(uint32_t keyCode) {
  const auto key = keyForCode(static_cast<uint16_t>(keyCode));
  char name[64] = {};
  if (!key || xkb_keysym_get_name(key->keysym, name, sizeof name) <= 0) return {};
  return name;
}

}  // namespace

std::string gnomeAccelerator(uint32_t keyCode, uint32_t modifierFlags) {
  const std::string name = keyName(keyCode);
  if (name.empty()) return {};
  std::string accelerator;
  if (modifierFlags & kModifierShift) accelerator += "<Shift>";
  if (modifierFlags & kModifierControl) accelerator += "<Control>";
  if (modifierFlags & kModifierOption) accelerator += "<Alt>";
  if (modifierFlags & kModifierCommand) accelerator += "<Super>";
  return accelerator + name;
}

std::string swayKeyCombination(uint32_t keyCode, uint32_t modifierFlags) {
  const std::string name = keyName(keyCode);
  if (name.empty()) return {};
  std::string combination;
  if (modifierFlags & kModifierShift) combination += "Shift+";
  if (modifierFlags & kModifierControl) combination += "Ctrl+";
  if (modifierFlags & kModifierOption) combination += "Mod1+";
  if (modifierFlags & kModifierCommand) combination += "Mod4+";
  return combination + name;
}

}  // namespace platform::session
