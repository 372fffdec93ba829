#pragma once
// Shortcut recording: the shortcut value, its validation and the recorder
// view that the settings dialog hosts. Qt (for texts and the view); depends
// on the platform layer only; the host chooses the recorder's language.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

#include "platform/app_framework.h"

// One key plus a set of modifier keys (Shift, Control, Option, Command).
class MASShortcut {
 public:
  // The platform's not-found value: the shortcut has no key.
  static constexpr int64_t kNoKey = INT64_MAX;
  static constexpr uint64_t kModifierMask = 0x1E0000;

  MASShortcut(int64_t keyCode, uint64_t modifierFlags);  // initWithKeyCode:modifierFlags:
  static MASShortcut shortcutWithKeyCode(int64_t keyCode, uint64_t modifierFlags);
  static MASShortcut shortcutWithEvent(const platform::Event& event);

  int64_t keyCode() const { return keyCode_; }
  uint64_t modifierFlags() const { return modifierFlags_; }

  uint32_t carbonKeyCode() const;
  uint32_t carbonFlags() const;
  QString modifierFlagsString() const;
  QString keyCodeString() const;
  QString description() const;
  QString keyCodeStringForKeyEquivalent() const;

  bool isEqual(const MASShortcut& other) const;
  bool operator==(const MASShortcut& other) const { return isEqual(other); }
  uint64_t hash() const { return static_cast<uint64_t>(keyCode_) + modifierFlags_; }
  MASShortcut copy() const { return shortcutWithKeyCode(keyCode_, modifierFlags_); }

  // A keyed archive with "KeyCode" (-1 for no key) and "ModifierFlags".
  QByteArray encode() const;
  // nullopt for an archive that is not one; the flags are taken as stored.
  static std::optional<MASShortcut> decode(const QByteArray& archive);

 private:
  struct Unmasked {};
  MASShortcut(int64_t keyCode, uint64_t modifierFlags, Unmasked);

  int64_t keyCode_;
  uint64_t modifierFlags_;
};

extern const char* const MASShortcutKeyCode;
extern const char* const MASShortcutModifierFlags;
