#include "app/desktop_keyboard_shortcuts.h"

#include <QDir>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include "app/hotkeys_as_set.h"
#include "core/parameter_store.h"
#include "platform/input/desktop_key_names.h"
#include "platform/input/gnome_custom_shortcuts.h"
#include "platform/input/gnome_shortcuts_in_use.h"
#include "platform/qt/kde_shortcuts_in_use.h"
#include "platform/qt/standard_shortcuts.h"

namespace {

std::vector<platform::input::DesktopShortcut> gnomeShortcuts(const base::ModelProfile& model) {
  std::vector<platform::input::DesktopShortcut> shortcuts;
  for (const HotkeyAsSet& hotkey : hotkeysAsSet()) {
    std::string label = hotkey.label;
    label[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(label[0])));
    shortcuts.push_back({hotkey.id, std::string(model.programName) + ": " + label,
                         actionCommand(model, hotkey), hotkey.keyCode, hotkey.modifierFlags,
                         hotkey.enabled});
  }
  return shortcuts;
}

// The entries' paths start with the program's name in lower case.
std::string gnomeOwner(const base::ModelProfile& model) {
  std::string owner = model.programName;
  for (char& c : owner) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return owner;
}

}  // namespace

bool setGnomeShortcuts(const base::ModelProfile& model, bool on, std::string& why) {
  return platform::input::setGnomeCustomShortcuts(gnomeOwner(model), gnomeShortcuts(model), on,
                                                  why);
}

std::vector<platform::SystemHotKey> shortcutsInUse(const base::ModelProfile& model,
                                                   const platform::session::SessionType& session) {
  std::vector<platform::SystemHotKey> list = platform::qt::standardEditingShortcuts();
  std::vector<platform::SystemHotKey> desktop;
  if (session.isGnome()) desktop = platform::input::gnomeShortcutsInUse(gnomeOwner(model));
  if (session.isKde()) {
    desktop = platform::qt::kdeShortcutsInUse(platform::qt::kdeShortcutsFile(), model.appId);
  }
  list.insert(list.end(), desktop.begin(), desktop.end());
  return list;
}

bool gnomeShortcutsHeld(const base::ModelProfile& model) {
  return platform::input::gnomeCustomShortcutsHeld(gnomeOwner(model), gnomeShortcuts(model));
}

std::string swayBindings(const base::ModelProfile& model) {
  std::string lines;
  for (const HotkeyAsSet& hotkey : hotkeysAsSet()) {
    // A hotkey turned off in Settings does nothing wherever it is carried.
    if (!hotkey.enabled) continue;
    const std::string keys =
        platform::input::swayKeyCombination(hotkey.keyCode, hotkey.modifierFlags);
    if (!keys.empty()) lines += "bindsym " + keys + " exec " + actionCommand(model, hotkey) + "\n";
  }
  return lines;
}

int setGnomeShortcutsFromCommandLine(const base::ModelProfile& model, bool on) {
  // Run before the platform is there: what the load has to say goes out here.
  const std::string notRegular = loadParametersQuietly(QDir::homePath().toStdString());
  if (!notRegular.empty()) std::fprintf(stderr, "%s: %s", model.programName, notRegular.c_str());
  const std::vector<HotkeyAsSet> hotkeys = hotkeysAsSet();
  if (on && std::none_of(hotkeys.begin(), hotkeys.end(),
                         [](const HotkeyAsSet& hotkey) { return hotkey.enabled; })) {
    std::fprintf(stderr,
                 "%s: the hotkeys are off in Settings, so GNOME was given none: turn them on "
                 "in Settings first\n",
                 model.programName);
    return 1;
  }
  std::string why;
  if (!setGnomeShortcuts(model, on, why)) {
    std::fprintf(stderr, "%s: GNOME's keyboard shortcuts were not changed: %s\n", model.programName,
                 why.c_str());
    return 1;
  }
  if (on) {
    std::printf("%s's hotkeys are GNOME keyboard shortcuts now:", model.programName);
    for (const HotkeyAsSet& hotkey : hotkeys) {
      if (!hotkey.enabled) continue;
      std::printf(" %s %s;", hotkey.id.c_str(),
                  platform::input::gnomeAccelerator(hotkey.keyCode, hotkey.modifierFlags).c_str());
    }
    std::printf(" see Settings > Keyboard > Custom Shortcuts\n");
  } else {
    std::printf("%s's GNOME keyboard shortcuts are removed\n", model.programName);
  }
  return 0;
}
