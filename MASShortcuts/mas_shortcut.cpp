#include "MASShortcuts/mas_shortcut.h"

#include <cstring>
#include <string>

#include "MASShortcuts/mas_localized_string.h"
#include "platform/key_codes.h"
#include "platform/platform.h"

const char* const MASShortcutKeyCode = "KeyCode";
const char* const MASShortcutModifierFlags = "ModifierFlags";

namespace {

using namespace platform;

struct FixedName {
  int64_t keyCode;
  const char16_t* text;
};

// Keys whose name is a fixed glyph or text, tested before the keyboard layout.
constexpr FixedName kFixedNames[] = {
    {36, u"\u21A9"},  {48, u"\u21E5"},  {51, u"\u232B"},  {53, u"\u238B"},  {71, u"\u2327"},
    {76, u"\u2305"},  {114, u"?"},      {115, u"\u2196"}, {116, u"\u21DE"}, {117, u"\u2326"},
    {119, u"\u2198"}, {121, u"\u21DF"}, {123, u"\u2190"}, {124, u"\u2192"}, {125, u"\u2193"},
    {126, u"\u2191"}, {122, u"F1"},     {120, u"F2"},     {99, u"F3"},      {118, u"F4"},
    {96, u"F5"},      {97, u"F6"},      {98, u"F7"},      {100, u"F8"},     {101, u"F9"},
    {109, u"F10"},    {103, u"F11"},    {111, u"F12"},    {105, u"F13"},    {107, u"F14"},
    {113, u"F15"},    {106, u"F16"},    {64, u"F17"},     {79, u"F18"},     {80, u"F19"},
    {65, u"."},       {67, u"*"},       {69, u"+"},       {75, u"/"},       {78, u"-"},
    {81, u"="},       {82, u"0"},       {83, u"1"},       {84, u"2"},       {85, u"3"},
    {86, u"4"},       {87, u"5"},       {88, u"6"},       {89, u"7"},       {91, u"8"},
    {92, u"9"},
};

// F1 to F19 in order, for their key-equivalent characters U+F704 to U+F716.
constexpr int64_t kFunctionKeys[] = {122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                                     103, 111, 105, 107, 113, 106, 64, 79,  80};

// Letters, marks and numbers, punctuation and symbols.
bool isValidChar(QChar character) {
  switch (character.category()) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
    case QChar::Punctuation_Connector:
    case QChar::Punctuation_Dash:
    case QChar::Punctuation_Open:
    case QChar::Punctuation_Close:
    case QChar::Punctuation_InitialQuote:
    case QChar::Punctuation_FinalQuote:
    case QChar::Punctuation_Other:
    case QChar::Symbol_Math:
    case QChar::Symbol_Currency:
    case QChar::Symbol_Modifier:
    case QChar::Symbol_Other:
      return true;
    default:
      return false;
  }
}

QString layoutText(int64_t keyCode) {
  auto& keyboard = platform::keyboard();
  if (!keyboard.hasKeyLayout()) return {};
  const KeyTranslation translation = keyboard.translateKey(static_cast<uint16_t>(keyCode), 0, true);
  if (!translation.ok || translation.characters.empty()) return {};
  QString text = QString::fromStdU16String(translation.characters);
  for (QChar character : text) {
    if (!isValidChar(character)) return {};
  }
  return text.toUpper();
}

}  // namespace

MASShortcut::MASShortcut(int64_t keyCode, uint64_t modifierFlags)
    : keyCode_(keyCode), modifierFlags_(modifierFlags & kModifierMask) {}

MASShortcut::MASShortcut(int64_t keyCode, uint64_t modifierFlags, Unmasked)
    : keyCode_(keyCode), modifierFlags_(modifierFlags) {}

MASShortcut MASShortcut::shortcutWithKeyCode(int64_t keyCode, uint64_t modifierFlags) {
  return MASShortcut(keyCode, modifierFlags);
}

MASShortcut MASShortcut::shortcutWithEvent(const platform::Event& event) {
  return MASShortcut(static_cast<int64_t>(event.keyCode), event.modifierFlags);
}

uint32_t MASShortcut::carbonKeyCode() const {
  return keyCode_ == kNoKey ? 0 : static_cast<uint32_t>(keyCode_);
}

uint32_t MASShortcut::carbonFlags() const {
  uint32_t flags = 0;
  if (modifierFlags_ & kModifierCommand) flags += 0x0100;
  if (modifierFlags_ & kModifierShift) flags += 0x0200;
  if (modifierFlags_ & kModifierOption) flags += 0x0800;
  if (modifierFlags_ & kModifierControl) flags += 0x1000;
  return flags;
}

QString MASShortcut::modifierFlagsString() const {
  QString glyphs;
  if (modifierFlags_ & kModifierControl) glyphs += QChar(0x2303);
  if (modifierFlags_ & kModifierOption) glyphs += QChar(0x2325);
  if (modifierFlags_ & kModifierShift) glyphs += QChar(0x21E7);
  if (modifierFlags_ & kModifierCommand) glyphs += QChar(0x2318);
  return glyphs;
}

QString MASShortcut::keyCodeString() const {
  if (keyCode_ == kNoKey) return {};
  if (keyCode_ == kKeySpace) {
    return MASLocalizedString("Space", "Shortcut glyph name for SPACE key");
  }
  for (const auto& fixed : kFixedNames) {
    if (fixed.keyCode == keyCode_) return QString::fromUtf16(fixed.text);
  }
  return layoutText(keyCode_);
}

QString MASShortcut::description() const {
  return modifierFlagsString() + keyCodeString();
}

QString MASShortcut::keyCodeStringForKeyEquivalent() const {
  const QString name = keyCodeString();
  if (name.size() < 2) return name.toLower();
  if (keyCode_ == kKeySpace) return QString(QChar(0x20));
  for (size_t i = 0; i < std::size(kFunctionKeys); ++i) {
    if (kFunctionKeys[i] == keyCode_) return QString(QChar(static_cast<char16_t>(0xF704 + i)));
  }
  return {};
}

bool MASShortcut::isEqual(const MASShortcut& other) const {
  return keyCode_ == other.keyCode_ && modifierFlags_ == other.modifierFlags_;
}

// The archive: a small keyed archive of our own. One byte with the number of
// entries, then per entry one byte of key length, the key's ASCII bytes and
// the value as 8 bytes, most significant first. It is read with every length
// checked, so bytes from anywhere decode to a shortcut or to nothing.
QByteArray MASShortcut::encode() const {
  QByteArray bytes;
  auto put = [&bytes](const char* key, uint64_t value) {
    bytes.append(static_cast<char>(std::strlen(key)));
    bytes.append(key);
    for (int shift = 56; shift >= 0; shift -= 8) bytes.append(static_cast<char>(value >> shift));
  };
  bytes.append(static_cast<char>(2));
  put(MASShortcutKeyCode, static_cast<uint64_t>(keyCode_ == kNoKey ? -1 : keyCode_));
  put(MASShortcutModifierFlags, modifierFlags_);
  return bytes;
}

std::optional<MASShortcut> MASShortcut::decode(const QByteArray& archive) {
  constexpr int kMostEntries = 16;
  const auto* bytes = reinterpret_cast<const uint8_t*>(archive.constData());
  const qsizetype size = archive.size();
  if (size < 1 || bytes[0] > kMostEntries) return std::nullopt;
  std::optional<uint64_t> keyCode, modifierFlags;
  qsizetype at = 1;
  for (int entry = 0; entry < bytes[0]; ++entry) {
    if (at >= size) return std::nullopt;
    const qsizetype keyLength = bytes[at++];
    if (keyLength > size - at || 8 > size - at - keyLength) return std::nullopt;
    const std::string key(reinterpret_cast<const char*>(bytes + at),
                          static_cast<size_t>(keyLength));
    at += keyLength;
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value = (value << 8) | bytes[at++];
    if (key == MASShortcutKeyCode) keyCode = value;
    if (key == MASShortcutModifierFlags) modifierFlags = value;
  }
  if (at != size || !keyCode || !modifierFlags) return std::nullopt;
  const auto code = static_cast<int64_t>(*keyCode);
  return MASShortcut(code < 0 ? kNoKey : code, *modifierFlags, Unmasked{});
}
