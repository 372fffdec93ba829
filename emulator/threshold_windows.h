#pragma once

#include <cstdint>

#include "emulator/device_state.h"
#include "emulator/model.h"

namespace emulator {

// The threshold the monitor keeps for a display mode: the command type that
// sets it (0 for none, as in the A16 modes), the event type it reports the
// level with, and its window, which the nine levels split evenly.
struct ThresholdWindow {
  uint8_t command = 0;
  uint8_t report = 0;
  int low = 0;
  int high = 0;
};
ThresholdWindow thresholdWindow(Model model, uint8_t showMode);
int levelOf(const ThresholdWindow& window, int value);  // 1 to 9
int valueOfLevel(const ThresholdWindow& window, int level);
// What the monitor draws with in a display mode: the value last sent for it,
// or the middle level when none was.
int thresholdInForce(Model model, const DeviceState& state);

}  // namespace emulator
