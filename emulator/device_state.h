#pragma once
// What the emulated monitor shows and keeps.

#include <cstdint>

namespace emulator {

struct DeviceState {
  uint8_t showMode = 2;
  uint8_t resolutionMode = 1;
  uint8_t thresholds[12] = {};  // by command type
  bool screenSaved = false;
  bool turnedOff = false;
  uint32_t clears = 0;
  uint32_t heartbeats = 0;
  uint32_t malformedFrames = 0;
  bool lastCommandAccepted = true;
};

}  // namespace emulator
