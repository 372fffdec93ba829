#pragma once
// Whether a recorded shortcut may be used at all, and whether the system or
// one of the program's menu items already uses it.

#include <QString>
#include <functional>
#include <vector>

#include "MASShortcuts/mas_shortcut.h"

struct MASMenuItem {
  QString title;
  QString keyEquivalent;
  uint64_t keyEquivalentModifierMask = 0;
  std::vector<MASMenuItem> submenu;
};
using MASMenu = std::vector<MASMenuItem>;

class MASShortcutValidator {
 public:
  static MASShortcutValidator& sharedValidator();

  bool isShortcutValid(const MASShortcut& shortcut) const;
  bool isShortcutAlreadyTakenBySystem(const MASShortcut& shortcut, QString* explanation) const;
  bool isShortcutAlreadyTakenInMenu(const MASShortcut& shortcut, const MASMenu& menu,
                                    QString* explanation) const;

  bool allowAnyShortcutWithOptionModifier() const { return allowAnyShortcutWithOptionModifier_; }
  void setAllowAnyShortcutWithOptionModifier(bool allow) {
    allowAnyShortcutWithOptionModifier_ = allow;
  }

  // The application's main menu, as the program's own menus describe it.
  static void setMainMenuProvider(std::function<MASMenu()> provider);

 private:
  bool allowAnyShortcutWithOptionModifier_ = false;
};
