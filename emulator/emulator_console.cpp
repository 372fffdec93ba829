#include "emulator/emulator_console.h"

#include <sstream>

namespace emulator {
namespace {

constexpr uint32_t kMaxSide = 16384;

}  // namespace

bool parseSize(const std::string& text, uint32_t& width, uint32_t& height) {
  unsigned long w = 0, h = 0;
  char separator = 0;
  std::istringstream in(text);
  if (!(in >> w >> separator >> h) || separator != 'x' || !in.eof()) return false;
  if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide) return false;
  width = static_cast<uint32_t>(w);
  height = static_cast<uint32_t>(h);
  return true;
}

bool runConsoleCommand(EmulatorServer& server, QuillmarkMonitor& monitor, const std::string& line,
                       std::string& error, bool& quit) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  std::string rest;
  std::getline(in >> std::ws, rest);
  auto number = [&rest](int low, int high, int& value) {
    std::istringstream words(rest);
    return (words >> value) && value >= low && value <= high;
  };
  int value = 0;
  if (verb.empty()) return true;
  if (verb == "quit") {
    quit = true;
  } else if (verb == "mode" && number(1, 6, value)) {
    monitor.pressModeButton(static_cast<uint8_t>(value));
  } else if (verb == "wake" && rest.empty()) {
    monitor.wake();
  } else if (verb == "threshold") {
    std::istringstream words(rest);
    int type = 0, level = 0;
    if (!(words >> type >> level) || (type != 8 && type != 9 && type != 11) || level < 0 ||
        level > 15) {
      error = "usage: threshold 8|9|11 LEVEL(0-15)";
      return false;
    }
    monitor.reportThreshold(static_cast<uint8_t>(type), static_cast<uint8_t>(level));
  } else if (verb == "contrast" && (rest == "up" || rest == "down")) {
    if (!monitor.stepContrast(rest == "up" ? 1 : -1)) {
      error = "the A16 modes have no contrast threshold";
      return false;
    }
  } else if ((verb == "unplug" || verb == "plug") && rest.empty()) {
    server.setPlugged(verb == "plug");
  } else if (verb == "size") {
    uint32_t width = 0, height = 0;
    if (!parseSize(rest, width, height)) {
      error = "usage: size WxH";
      return false;
    }
    server.changeSize(width, height);
  } else if (verb == "fault") {
    Fault fault = Fault::None;
    if (!parseFault(rest, fault)) {
      error = "usage: fault none|no-answer|bad-checksum|wrong-code|nak|no-bus";
      return false;
    }
    monitor.setFault(fault);
  } else {
    error = "unknown command: " + line +
            " (mode N, wake, threshold T L, contrast up|down, unplug, plug, size WxH, fault KIND, "
            "quit)";
    return false;
  }
  return true;
}

}  // namespace emulator
