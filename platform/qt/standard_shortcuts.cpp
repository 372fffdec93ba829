#include "platform/qt/standard_shortcuts.h"

#include <QKeySequence>
#include <QList>

#include "platform/input/key_table.h"

namespace platform::qt {

namespace {

// Qt's modifiers in the toolbox encoding: on Linux, Ctrl is the Control key
// and Meta the Super key, which this program's numbering calls Command.
uint32_t toolboxModifiers(Qt::KeyboardModifiers modifiers) {
  uint32_t flags = 0;
  if (modifiers & Qt::MetaModifier) flags |= 0x0100;
  if (modifiers & Qt::ShiftModifier) flags |= 0x0200;
  if (modifiers & Qt::AltModifier) flags |= 0x0800;
  if (modifiers & Qt::ControlModifier) flags |= 0x1000;
  return flags;
}

}  // namespace

std::vector<SystemHotKey> standardEditingShortcuts() {
  std::vector<SystemHotKey> shortcuts;
  for (const QKeySequence::StandardKey standard :
       {QKeySequence::Cut, QKeySequence::Copy, QKeySequence::Paste, QKeySequence::Undo,
        QKeySequence::Redo, QKeySequence::SelectAll, QKeySequence::Find, QKeySequence::Save,
        QKeySequence::Quit}) {
    for (const QKeySequence& sequence : QKeySequence::keyBindings(standard)) {
      if (sequence.count() != 1) continue;
      if (const auto shortcut = systemHotKeyOf(sequence[0])) shortcuts.push_back(*shortcut);
    }
  }
  return shortcuts;
}

std::optional<SystemHotKey> systemHotKeyOf(QKeyCombination combination) {
  const auto key =
      platform::input::keyForQtKey(static_cast<uint32_t>(combination.key()),
                                   combination.keyboardModifiers().testFlag(Qt::KeypadModifier));
  if (!key) return std::nullopt;
  return SystemHotKey{key->keyCode, toolboxModifiers(combination.keyboardModifiers()), true};
}

}  // namespace platform::qt
