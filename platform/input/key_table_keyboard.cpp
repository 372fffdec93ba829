#include "platform/input/key_table_keyboard.h"

#include "platform/input/key_table.h"

namespace platform::input {

KeyTranslation KeyTableKeyboard::translateKey(uint16_t keyCode, uint32_t, bool) {
  KeyTranslation translation;
  const auto key = keyForCode(keyCode);
  translation.ok = true;
  // Printable keysyms are their own Latin-1 character.
  if (key && key->keysym >= 0x20 && key->keysym <= 0xff && key->ownModifiers == 0) {
    translation.characters = std::u16string(1, static_cast<char16_t>(key->keysym));
  }
  return translation;
}

}  // namespace platform::input
