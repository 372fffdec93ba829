#pragma once
// The emulator's console language: the monitor's own buttons, plugging,
// the display's size and faults, one command per line, from the terminal or
// the window's controls.

#include <cstdint>
#include <string>

#include "emulator/emulator_server.h"
#include "emulator/quillmark_monitor.h"

namespace emulator {

// One console command ("mode 2", "unplug", "fault nak" ...). Returns false with
// a reason for a command it does not understand; sets quit for "quit".
bool runConsoleCommand(EmulatorServer& server, QuillmarkMonitor& monitor, const std::string& line,
                       std::string& error, bool& quit);

// "WxH" -> width and height, both 1..16384.
bool parseSize(const std::string& text, uint32_t& width, uint32_t& height);

}  // namespace emulator
