#include "core/threshold_mapping.h"

#include <algorithm>

#include "base/model_profile.h"
#include "base/tl_log.h"
#include "core/mode_table.h"
#include "core/parameters.h"

namespace {

uint16_t logged(uint16_t result) {
  base::tl_log("***** after calculate, threshold result is %d .\n", result);
  return result;
}

uint16_t heldTo(uint16_t value, uint16_t low, uint16_t high) {
  return std::clamp(value, low, high);
}

ThresholdScale currentScale() {
  const ModeRow* row = modeRow(ShowMode.load());
  return row != nullptr ? row->scale : ThresholdScale::kNone;
}

}  // namespace

uint16_t threshold_calculate(uint16_t threshold) {
  switch (currentScale()) {
    case ThresholdScale::kFloydLevels:
      return logged(std::clamp<uint16_t>(static_cast<uint16_t>((threshold + 27) / 28), 1, 9));
    case ThresholdScale::kA2Range:
      return logged(heldTo(threshold, 130, 250));
    case ThresholdScale::kLowA5Range:
      return logged(heldTo(threshold, base::profile().lowA5Minimum, base::profile().lowA5Maximum));
    case ThresholdScale::kNone:
      break;
  }
  return logged(0);
}

uint16_t convert_to_threshold(uint16_t level) {
  const int l = level;
  switch (currentScale()) {
    case ThresholdScale::kFloydLevels:
      return logged(static_cast<uint16_t>((l - 1) * 28 + 28));
    case ThresholdScale::kA2Range:
      return logged(static_cast<uint16_t>((l - 1) * 15 + 130));
    case ThresholdScale::kLowA5Range:
      return logged(static_cast<uint16_t>((l - 1) * base::profile().lowA5LevelStep +
                                          base::profile().lowA5Minimum));
    case ThresholdScale::kNone:
      break;
  }
  return logged(0);
}
