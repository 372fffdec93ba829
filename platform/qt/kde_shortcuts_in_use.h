#pragma once
// KDE's global shortcuts as kglobalaccel keeps them in the user's
// kglobalshortcutsrc (KWin's, Plasma's, every application's that registered
// one), which a hotkey must not take. The file is read each time, bounded,
// and only where it is the user's own regular file.

#include <string>
#include <vector>

#include "platform/keyboard_services.h"

namespace platform::qt {

// The active shortcuts of every component but those whose name holds
// ownAppId (the program's own hotkeys, bound through the portal), in the
// toolbox encoding; empty when the file is missing or cannot be read.
std::vector<SystemHotKey> kdeShortcutsInUse(const std::string& path, const std::string& ownAppId);
// The same from the file's text.
std::vector<SystemHotKey> kdeShortcutsInText(const std::string& text, const std::string& ownAppId);
// kglobalshortcutsrc in the user's configuration folder (~/.config).
std::string kdeShortcutsFile();

}  // namespace platform::qt
