#include "MASShortcuts/mas_shortcut_validator.h"

#include "MASShortcuts/mas_localized_string.h"
#include "MASShortcuts/mas_recorder_texts.h"
#include "platform/key_codes.h"
#include "platform/platform.h"

namespace {

using namespace platform;

constexpr int64_t kFunctionKeys[] = {122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                                     103, 111, 105, 107, 113, 106, 64, 79,  80,  90};

std::function<MASMenu()>& mainMenuProvider() {
  static std::function<MASMenu()> provider;
  return provider;
}

QString menuExplanation(const QString& title) {
  return MASRecorderText(
             "This shortcut cannot be used because it is already used by the menu item "
             "\u2018%1\u2019.")
      .arg(title);
}

}  // namespace

MASShortcutValidator& MASShortcutValidator::sharedValidator() {
  static MASShortcutValidator shared;
  return shared;
}

void MASShortcutValidator::setMainMenuProvider(std::function<MASMenu()> provider) {
  mainMenuProvider() = std::move(provider);
}

bool MASShortcutValidator::isShortcutValid(const MASShortcut& shortcut) const {
  const int64_t key = shortcut.keyCode();
  const uint64_t flags = shortcut.modifierFlags();
  for (int64_t functionKey : kFunctionKeys) {
    if (key == functionKey) return true;
  }
  if ((flags & MASShortcut::kModifierMask) == 0) return false;
  if (flags & (kModifierCommand | kModifierControl)) return true;
  if (flags & kModifierOption) {
    return key == kKeySpace || key == kKeyEscape || allowAnyShortcutWithOptionModifier_;
  }
  return false;
}

bool MASShortcutValidator::isShortcutAlreadyTakenBySystem(const MASShortcut& shortcut,
                                                          QString* explanation) const {
  if (const auto hotKeys = platform::keyboard().copySymbolicHotKeys()) {
    for (const SystemHotKey& hotKey : *hotKeys) {
      if (static_cast<int64_t>(hotKey.keyCode) == shortcut.keyCode() &&
          hotKey.modifiers == shortcut.carbonFlags() && hotKey.enabled) {
        if (explanation != nullptr) {
          *explanation = MASLocalizedString(
              "This combination cannot be used because it is already used by a system-wide "
              "keyboard shortcut.\nIf you really want to use this key combination, most shortcuts "
              "can be changed in the Keyboard & Mouse panel in System Preferences.",
              "Message for alert when shortcut is already used by the system");
        }
        return true;
      }
    }
  }
  const MASMenu menu = mainMenuProvider() ? mainMenuProvider()() : MASMenu{};
  return isShortcutAlreadyTakenInMenu(shortcut, menu, explanation);
}

bool MASShortcutValidator::isShortcutAlreadyTakenInMenu(const MASShortcut& shortcut,
                                                        const MASMenu& menu,
                                                        QString* explanation) const {
  const QString keyEquivalent = shortcut.keyCodeStringForKeyEquivalent();
  const uint64_t flags = shortcut.modifierFlags();
  for (const MASMenuItem& item : menu) {
    if (!item.submenu.empty() &&
        isShortcutAlreadyTakenInMenu(shortcut, item.submenu, explanation)) {
      return true;
    }
    // An item without a key equivalent has no shortcut to clash with.
    if (item.keyEquivalent.isEmpty()) continue;
    bool flagsMatch = (item.keyEquivalentModifierMask & MASShortcut::kModifierMask) == flags;
    const bool keysMatch = item.keyEquivalent.toLower() == keyEquivalent;
    if (keysMatch && item.keyEquivalent != keyEquivalent) {
      // Written in upper case: the item's key equivalent implies Shift.
      flagsMatch =
          ((item.keyEquivalentModifierMask | kModifierShift) & MASShortcut::kModifierMask) == flags;
    }
    if (flagsMatch && keysMatch) {
      if (explanation != nullptr) *explanation = menuExplanation(item.title);
      return true;
    }
  }
  return false;
}
