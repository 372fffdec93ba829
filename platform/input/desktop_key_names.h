#pragma once
// A hotkey (key code and modifier word as the private data file stores them)
// in the key syntax of a desktop's own keyboard settings.

#include <cstdint>
#include <string>

namespace platform::input {

// GNOME's accelerator: "<Control>u"; "" when the key has no name.
std::string gnomeAccelerator(uint32_t keyCode, uint32_t modifierFlags);
// sway's (and i3's) bindsym combination: "Ctrl+u"; "" when the key has no name.
std::string swayKeyCombination(uint32_t keyCode, uint32_t modifierFlags);

}  // namespace platform::input
