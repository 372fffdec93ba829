#include "link/bus_walk.h"

#include "platform/platform.h"

bool walkDisplayBuses(platform::DisplayID display, RegistryEntry registry,
                      const std::function<bool(VisitedBus& bus)>& visit) {
  auto& displays = platform::displays();
  const auto service = displays.displayIOServicePort(display);
  if (!service) return false;
  const bool entry = displays.registryEntryPath(*service);
  if (!entry && registry == RegistryEntry::kRequired) return false;
  const auto count = displays.i2cInterfaceCount(*service);
  if (!count) return false;
  for (uint32_t bus = 0; bus < *count; ++bus) {
    VisitedBus visited;
    visited.bus = bus;
    visited.interface = {display, bus};
    if (const auto interface = displays.copyI2CInterfaceForBus(*service, bus)) {
      visited.interface = *interface;
      visited.connection = displays.i2cInterfaceOpen(*interface, visited.cause);
    }
    if (visit(visited)) return true;
  }
  return true;
}

std::string busLabel(const VisitedBus& bus) {
  const std::string name = platform::displays().busName(bus.interface);
  return name.empty() ? "bus " + std::to_string(bus.bus) : name;
}
