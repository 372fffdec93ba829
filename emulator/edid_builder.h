#pragma once

#include <cstdint>
#include <vector>

#include "emulator/model.h"

namespace emulator {

// A 128-byte EDID block with a valid checksum carrying the model's name at offset 95.
std::vector<uint8_t> makeEDID(Model model);

}  // namespace emulator
