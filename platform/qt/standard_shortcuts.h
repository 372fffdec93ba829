#pragma once
// The editing keys every program keeps for itself (Cut, Copy, Paste, Undo,
// Redo, Select all, Find, Save, Quit), as Qt's standard keys give them on
// this desktop: a global hotkey on one of them would take it from every
// other program. In the toolbox encoding the shortcut validator compares.

#include <QKeyCombination>
#include <optional>
#include <vector>

#include "platform/keyboard_services.h"

namespace platform::qt {

std::vector<SystemHotKey> standardEditingShortcuts();

// One key combination as Qt gives it; nullopt for a key of no virtual code.
std::optional<SystemHotKey> systemHotKeyOf(QKeyCombination combination);

}  // namespace platform::qt
