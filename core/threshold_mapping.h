#pragma once
// Maps the user's 0..255 contrast threshold to the value the monitor takes in
// the current ShowMode, and the monitor's reported level back.

#include <cstdint>

uint16_t threshold_calculate(uint16_t threshold);
uint16_t convert_to_threshold(uint16_t level);
