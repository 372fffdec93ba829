#include "MASShortcuts/qt_menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "platform/input/key_table.h"

namespace {

// A menu item's shortcut as a key equivalent: the key's character, written in
// upper case when Shift is part of it, and the modifier mask without Shift.
void describeShortcut(const QKeySequence& sequence, MASMenuItem& item) {
  if (sequence.isEmpty()) return;
  const QKeyCombination combination = sequence[0];
  const auto modifiers = combination.keyboardModifiers();
  uint64_t mask = 0;
  if (modifiers & Qt::ControlModifier) mask |= 0x40000;
  if (modifiers & Qt::AltModifier) mask |= 0x80000;
  if (modifiers & Qt::MetaModifier) mask |= 0x100000;
  const int key = combination.key();
  QString character = key >= 0x20 && key < 0x7f ? QString(QChar(key)).toLower() : QString();
  if (key >= Qt::Key_F1 && key <= Qt::Key_F19) {
    // Function keys have key-equivalent characters of their own, from U+F704 for F1.
    character = QChar(0xF704 + (key - Qt::Key_F1));
  } else if (character.isEmpty()) {
    if (const auto entry = platform::input::keyForQtKey(static_cast<uint32_t>(key), false)) {
      if (entry->keysym >= 0x20 && entry->keysym < 0x7f) character = QChar(entry->keysym);
    }
  }
  if (modifiers & Qt::ShiftModifier) character = character.toUpper();
  item.keyEquivalent = character;
  item.keyEquivalentModifierMask = mask;
}

MASMenu itemsOf(const QList<QAction*>& actions) {
  MASMenu menu;
  for (const QAction* action : actions) {
    if (action->isSeparator()) continue;
    MASMenuItem item;
    item.title = action->text().remove('&');
    describeShortcut(action->shortcut(), item);
    if (const QMenu* submenu = action->menu()) item.submenu = itemsOf(submenu->actions());
    menu.push_back(item);
  }
  return menu;
}

}  // namespace

MASMenu menuFromQt(const QMenuBar* menuBar) {
  return menuBar == nullptr ? MASMenu{} : itemsOf(menuBar->actions());
}
