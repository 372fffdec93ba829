// Decoding archived shortcuts: any bytes decode to a shortcut or to nothing,
// and a decoded shortcut archives and decodes to itself.

#include "MASShortcuts/mas_shortcut.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  if (const auto shortcut = MASShortcut::decode(bytes)) {
    const auto again = MASShortcut::decode(shortcut->encode());
    FUZZ_CHECK(again && again->keyCode() == shortcut->keyCode() &&
               again->modifierFlags() == shortcut->modifierFlags());
  }
  return 0;
}
