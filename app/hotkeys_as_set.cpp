#include "app/hotkeys_as_set.h"

#include <QCoreApplication>

#include "app/command_quoting.h"
#include "core/parameters.h"

std::vector<HotkeyAsSet> hotkeysAsSet() {
  const bool contrast = FreshHandSoftEnable.load() == 1;
  const bool refresh = FreshHandHardEnable.load() == 1;
  return {{"contrast-up", "Contrast up", "--hotkey contrast-up", ContrastHotkeyKeyCode.load(),
           ContrastHotkeyModifierFlags.load(), contrast},
          {"contrast-down", "Contrast down", "--hotkey contrast-down",
           ContrastHotkeyDownKeyCode.load(), ContrastHotkeyDownModifierFlags.load(), contrast},
          {"refresh", "Refresh", "--hotkey refresh", RefreshHotkeyKeyCode.load(),
           RefreshHotkeyModifierFlags.load(), refresh}};
}

std::string actionCommand(const base::ModelProfile& model, const HotkeyAsSet& hotkey) {
  std::string program = QCoreApplication::applicationFilePath().toStdString();
  if (program.empty()) program = model.programName;
  return shellWord(program) + " " + hotkey.option;
}
