#pragma once

namespace emulator {

enum class Model { Alto, Tenor };

}  // namespace emulator
