#include "emulator/threshold_windows.h"

#include <algorithm>

namespace emulator {

ThresholdWindow thresholdWindow(Model model, uint8_t showMode) {
  switch (showMode) {
    case 1:
      return {8, 8, 1, 9};
    case 2:
      return {9, 9, 130, 250};
    case 4:
      return model == Model::Tenor ? ThresholdWindow{11, 11, 50, 234}
                                   : ThresholdWindow{11, 11, 80, 200};
    case 5:
      // The fixed mode's A2 keeps a register of its own but reports its level as A2's.
      return {10, 9, 130, 250};
    default:
      return {};
  }
}

int levelOf(const ThresholdWindow& window, int value) {
  const int step = (window.high - window.low) / 8;
  if (step <= 0) return 1;
  const int level = (value - window.low + step / 2) / step + 1;
  return std::clamp(level, 1, 9);
}

int valueOfLevel(const ThresholdWindow& window, int level) {
  return window.low + (std::clamp(level, 1, 9) - 1) * ((window.high - window.low) / 8);
}

int thresholdInForce(Model model, const DeviceState& state) {
  const ThresholdWindow window = thresholdWindow(model, state.showMode);
  if (window.command == 0) return 0;
  const int sent = state.thresholds[window.command];
  return sent == 0 ? valueOfLevel(window, 5) : std::clamp(sent, window.low, window.high);
}

}  // namespace emulator
