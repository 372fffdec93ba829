#include "MASShortcuts/mas_shortcut.h"

#include "MASShortcuts/mas_localized_string.h"
#include "platform/key_codes.h"
#include "tests/support/fixture.h"

namespace {

using namespace platform;

QString u(const char16_t* text) {
  return QString::fromUtf16(text);
}

class MASShortcutTest : public ModelTest {};

TEST_P(MASShortcutTest, ConstructionKeepsOnlyTheFourModifiers) {
  const MASShortcut shortcut(
      kKeyU, 0x1E0000 | kModifierCapsLock | kModifierNumericPad | kModifierFunction);
  EXPECT_EQ(shortcut.modifierFlags(), 0x1E0000u);
  const MASShortcut arrow = MASShortcut::shortcutWithEvent(
      {kEventKeyDown, kModifierControl | kModifierNumericPad | kModifierFunction, kKeyUpArrow,
       true});
  EXPECT_EQ(arrow.modifierFlags(), kModifierControl);
  EXPECT_EQ(arrow.keyCode(), kKeyUpArrow);
}

TEST_P(MASShortcutTest, CarbonConversions) {
  EXPECT_EQ(MASShortcut(0, kModifierControl | kModifierOption).carbonFlags(), 0x1800u);
  EXPECT_EQ(MASShortcut(0, kModifierCommand | kModifierShift).carbonFlags(), 0x0300u);
  EXPECT_EQ(MASShortcut(0, 0).carbonFlags(), 0u);
  EXPECT_EQ(MASShortcut(MASShortcut::kNoKey, 0).carbonKeyCode(), 0u);
  EXPECT_EQ(MASShortcut(kKeyU, 0).carbonKeyCode(), 32u);
}

QByteArray archiveOf(std::vector<std::pair<std::string, int64_t>> entries) {
  QByteArray bytes(1, static_cast<char>(entries.size()));
  for (const auto& [key, value] : entries) {
    bytes.append(static_cast<char>(key.size()));
    bytes.append(key.c_str());
    for (int shift = 56; shift >= 0; shift -= 8) {
      bytes.append(static_cast<char>(static_cast<uint64_t>(value) >> shift));
    }
  }
  return bytes;
}

TEST_P(MASShortcutTest, ArchiveRoundTrip) {
  const MASShortcut noKey(MASShortcut::kNoKey, kModifierControl);
  EXPECT_EQ(noKey.encode(), archiveOf({{"KeyCode", -1}, {"ModifierFlags", 0x40000}}));
  const auto decoded = MASShortcut::decode(noKey.encode());
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->keyCode(), MASShortcut::kNoKey);
  EXPECT_EQ(*decoded, noKey);
  // Any negative key code reads back as no key; the flags are taken as stored.
  const auto unmasked = MASShortcut::decode(
      archiveOf({{"ModifierFlags", 0x10000 | kModifierShift}, {"KeyCode", -7}}));
  ASSERT_TRUE(unmasked);
  EXPECT_EQ(unmasked->keyCode(), MASShortcut::kNoKey);
  EXPECT_EQ(unmasked->modifierFlags(), 0x30000u);
  const QByteArray bad[] = {QByteArray("garbage"), QByteArray(), archiveOf({{"KeyCode", 32}}),
                            archiveOf({{"KeyCode", 32}, {"ModifierFlags", 1}}).chopped(1),
                            archiveOf({{"KeyCode", 32}, {"ModifierFlags", 1}}) + "x"};
  for (const auto& archive : bad) EXPECT_FALSE(MASShortcut::decode(archive).has_value());
}

TEST_P(MASShortcutTest, GlyphOrderAndDescriptions) {
  EXPECT_EQ(MASShortcut(0, kModifierCommand | kModifierShift | kModifierOption | kModifierControl)
                .modifierFlagsString(),
            u(u"\u2303\u2325\u21E7\u2318"));
  EXPECT_EQ(MASShortcut(0, 0).modifierFlagsString(), "");
  EXPECT_EQ(MASShortcut(kKeyU, kModifierControl).description(), u(u"\u2303U"));
  EXPECT_EQ(MASShortcut(kKeyD, kModifierControl | kModifierShift).description(),
            u(u"\u2303\u21E7D"));
  EXPECT_EQ(MASShortcut(kKeyReturn, kModifierCommand).description(), u(u"\u2318\u21A9"));
  EXPECT_EQ(MASShortcut(kKeyF1, 0).description(), "F1");
}

TEST_P(MASShortcutTest, KeyNames) {
  const std::pair<int64_t, QString> names[] = {
      {48, u(u"\u21E5")},        {53, u(u"\u238B")}, {114, "?"}, {117, u(u"\u2326")},
      {126, u(u"\u2191")},       {80, "F19"},        {92, "9"},  {75, "/"},
      {MASShortcut::kNoKey, ""}, {kKeyA, "A"},       {41, ";"},
  };
  for (const auto& [code, name] : names) EXPECT_EQ(MASShortcut(code, 0).keyCodeString(), name);
  // F20 has no fixed name: the layout gives a control character here, so no name.
  EXPECT_EQ(MASShortcut(kKeyF20, 0).keyCodeString(), "");
  platform.layout[kKeyF20] = u"\u00e9";
  EXPECT_EQ(MASShortcut(kKeyF20, 0).keyCodeString(), u(u"\u00c9"));
  platform.layoutAvailable = false;
  EXPECT_EQ(MASShortcut(kKeyA, 0).keyCodeString(), "");
}

TEST_P(MASShortcutTest, KeyEquivalents) {
  MASSetLocalizationChinese(false);
  EXPECT_EQ(MASShortcut(kKeySpace, 0).keyCodeStringForKeyEquivalent(), " ");
  EXPECT_EQ(MASShortcut(kKeyF5, 0).keyCodeStringForKeyEquivalent(), QString(QChar(0xF708)));
  EXPECT_EQ(MASShortcut(kKeyF1, 0).keyCodeStringForKeyEquivalent(), QString(QChar(0xF704)));
  EXPECT_EQ(MASShortcut(kKeyF19, 0).keyCodeStringForKeyEquivalent(), QString(QChar(0xF716)));
  EXPECT_EQ(MASShortcut(kKeyA, 0).keyCodeStringForKeyEquivalent(), "a");
  EXPECT_EQ(MASShortcut(kKeyReturn, 0).keyCodeStringForKeyEquivalent(), u(u"\u21A9"));
  platform.layout[kKeyA] = u"ab";
  EXPECT_EQ(MASShortcut(kKeyA, 0).keyCodeStringForKeyEquivalent(), "");
}

TEST_P(MASShortcutTest, EqualityHashAndCopy) {
  const MASShortcut a(kKeyU, kModifierControl);
  const MASShortcut b(kKeyU, kModifierControl | kModifierCapsLock);
  EXPECT_TRUE(a.isEqual(b));
  EXPECT_EQ(a.hash(), b.hash());
  EXPECT_EQ(a.hash(), 32u + 0x40000u);
  EXPECT_FALSE(a == MASShortcut(kKeyU, kModifierOption));
  EXPECT_EQ(a.copy(), a);
}

TEST_P(MASShortcutTest, LocalizedStrings) {
  MASSetLocalizationChinese(false);
  EXPECT_EQ(MASLocalizedString("Space", "comment"), "Space");
  EXPECT_EQ(MASShortcut(kKeySpace, 0).keyCodeString(), "Space");
  EXPECT_EQ(MASLocalizedString("Not in any table", "comment"), "XXX");
  MASSetLocalizationChinese(true);
  EXPECT_EQ(MASLocalizedString("Space", "comment"), QString::fromUtf8("空格"));
  EXPECT_EQ(MASLocalizedString("Not in any table", "comment"), "XXX");
  MASSetLocalizationChinese(false);
}

INSTANTIATE_FOR_BOTH_MODELS(MASShortcutTest);

}  // namespace
