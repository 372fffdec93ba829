#pragma once
// Keeps the computer's display mode for the monitor and the monitor's
// resolution mode in step, in both directions.

#include <atomic>
#include <cstdint>

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

bool setDisplayResolution(uint32_t display, uint64_t width, uint64_t height);
void ResChangeDetect();
