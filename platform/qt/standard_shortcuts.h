#pragma once
// The editing keys every program keeps for itself (Cut, Copy, Paste, Undo,
// Redo, Select all, Find, Save, Quit), as Qt's standard keys give them on
// this desktop: a global hotkey on one of them would take it from every
// other program. In the toolbox encoding the shortcut validator compares.

#include <vector>

#include "platform/keyboard_services.h"

namespace platform::qt {

std::vector<SystemHotKey> standardEditingShortcuts();

}  // namespace platform::qt
