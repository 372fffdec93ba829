#pragma once
// Keeps the computer's display mode for the monitor and the monitor's
// resolution mode in step, in both directions.

#include <atomic>
#include <cstdint>
#include <string>

constexpr uint64_t kFixedModeArea = 1100 * 825;

struct Resolution {
  std::atomic<uint64_t> width{0};
  std::atomic<uint64_t> height{0};
  uint64_t area() const { return width.load() * height.load(); }
  void set(uint64_t w, uint64_t h) {
    width = w;
    height = h;
  }
};

extern Resolution currentRes;
extern Resolution mainDefaultRes;

// A change of the monitor's display mode, and why it did not happen.
struct ModeSwitch {
  bool switched = false;
  bool modeFound = false;  // the monitor lists the size asked for
  std::string refusal;     // in the words of whoever refused; empty after a switch
};

ModeSwitch setDisplayResolution(uint32_t display, uint64_t width, uint64_t height);
// The monitor's size at connection, remembered as the way back from the fixed mode.
void saveDefaultScreenResolution();
// 1100x825, landscape first, then portrait.
ModeSwitch setDefaultScreenResolution();
// The size remembered at connection.
ModeSwitch restoreDefaultScreenResolution();
void ResChangeDetect();
