#pragma once
// A bus of an emulated display: the DDC/CI messages as plain writes and reads
// over the display's socket, paced as a real bus is.

#include <chrono>
#include <memory>
#include <string>

#include "platform/display_services.h"

namespace platform::buses {

// The connection owns socket (connected to the emulator at path) from here
// on; each transfer may take budget.
std::unique_ptr<platform::I2CConnection> openEmulatedBus(int socket, std::string path,
                                                         std::chrono::milliseconds budget);

}  // namespace platform::buses
