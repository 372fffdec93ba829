#pragma once
// A display's buses, walked in order: the one way discovery, the monitor
// commands and --diagnose find and open them. Each bus is opened in turn and
// handed to the visitor with why it could not be opened; the walk ends when
// the visitor says so or the buses run out.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/display_services.h"

// The commands need the display's registry entry; discovery and --diagnose
// look at the buses whatever it says.
enum class RegistryEntry { kRequired, kNotNeeded };

struct VisitedBus {
  uint32_t bus = 0;
  platform::I2CInterface interface;
  std::unique_ptr<platform::I2CConnection> connection;   // nullptr: it did not open
  platform::BusCause cause = platform::BusCause::kNone;  // why it did not, where known
};

// The bus as the user knows it: "/dev/i2c-5", or "bus 2" where it has no name.
std::string busLabel(const VisitedBus& bus);

// visit returns true to end the walk. False when the display's buses cannot
// be had at all (no such display, no registry entry where required, no count).
bool walkDisplayBuses(platform::DisplayID display, RegistryEntry registry,
                      const std::function<bool(VisitedBus& bus)>& visit);
