#include "app/desktop_keyboard_shortcuts.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <string>

#include "core/parameter_store.h"
#include "core/parameters.h"
#include "platform/input/desktop_key_names.h"
#include "platform/input/gnome_custom_shortcuts.h"

namespace {

// The hotkeys as set in Settings (read without a word in the log), each with
// the program's action for it.
std::vector<platform::session::DesktopShortcut> hotkeyShortcuts(const ModelProfile& model) {
  loadParametersQuietly(QDir::homePath().toStdString());
  std::string program = QCoreApplication::applicationFilePath().toStdString();
  if (program.empty()) program = model.programName;
  if (program.find(' ') != std::string::npos) program = '"' + program + '"';
  const std::string name = model.programName;
  return {{"contrast-up", name + ": contrast up", program + " --contrast-up",
           ContrastHotkeyKeyCode.load(), ContrastHotkeyModifierFlags.load()},
          {"contrast-down", name + ": contrast down", program + " --contrast-down",
           ContrastHotkeyDownKeyCode.load(), ContrastHotkeyDownModifierFlags.load()},
          {"refresh", name + ": refresh", program + " --refresh", RefreshHotkeyKeyCode.load(),
           RefreshHotkeyModifierFlags.load()}};
}

}  // namespace

std::string swayBindings(const ModelProfile& model) {
  std::string lines;
  for (const auto& shortcut : hotkeyShortcuts(model)) {
    const std::string keys =
        platform::session::swayKeyCombination(shortcut.keyCode, shortcut.modifierFlags);
    if (!keys.empty()) lines += "bindsym " + keys + " exec " + shortcut.command + "\n";
  }
  return lines;
}

int setGnomeShortcutsFromCommandLine(const ModelProfile& model, bool on) {
  const auto shortcuts = hotkeyShortcuts(model);
  const std::string name = model.programName;
  std::string owner = name;
  for (char& c : owner) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string why;
  if (!platform::session::setGnomeCustomShortcuts(owner, shortcuts, on, why)) {
    std::fprintf(stderr, "%s: GNOME's keyboard shortcuts were not changed: %s\n", model.programName,
                 why.c_str());
    return 1;
  }
  if (on) {
    std::printf("%s's hotkeys are GNOME keyboard shortcuts now:", model.programName);
    for (const auto& shortcut : shortcuts) {
      std::printf(
          " %s %s;", shortcut.id.c_str(),
          platform::session::gnomeAccelerator(shortcut.keyCode, shortcut.modifierFlags).c_str());
    }
    std::printf(" see Settings > Keyboard > Custom Shortcuts\n");
  } else {
    std::printf("%s's GNOME keyboard shortcuts are removed\n", model.programName);
  }
  return 0;
}
