// Names two keys by the keymap of the compositor of WAYLAND_DISPLAY, as the
// recorder does in a Wayland session: for each line read, it prints
// "q=TEXT y=TEXT", the keys at Q's and at Y's place on a US keyboard. The
// compositor test (wayland_keymap_run.py) changes the layout in between.

#include <cstdio>
#include <iostream>
#include <string>

#include "platform/input/xkb_keyboard_services.h"
#include "platform/key_codes.h"

namespace {

constexpr uint16_t kKeyY = 16;

std::string text(platform::input::XkbKeyboardServices& keyboard, uint16_t code) {
  std::string utf8;
  for (const char16_t unit : keyboard.translateKey(code, 0, true).characters) {
    utf8 += unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  return utf8;
}

}  // namespace

int main() {
  platform::input::XkbKeyboardServices keyboard(true);
  for (std::string line; std::getline(std::cin, line);) {
    std::printf("q=%s y=%s\n", text(keyboard, platform::kKeyQ).c_str(),
                text(keyboard, kKeyY).c_str());
    std::fflush(stdout);
  }
  return 0;
}
