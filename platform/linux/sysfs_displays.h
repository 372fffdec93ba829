#pragma once
// The connected DRM connectors and their I2C buses, read from sysfs.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/linux/i2c_dev_bus.h"

namespace platform::linux_backend {

struct Connector {
  std::string name;                // "card0-HDMI-A-1"
  uint32_t id = 0;                 // connector_id, stable for the life of the connector
  std::vector<std::string> buses;  // /dev/i2c-N, the ddc link's first
  std::vector<uint8_t> edid;
};

class SysfsDisplays {
 public:
  SysfsDisplays(std::string drmRoot, std::string devRoot, I2CSyscalls& syscalls);

  // Connected connectors in name order.
  std::vector<Connector> connectedConnectors() const;
  bool stillConnected(const Connector& connector) const;

 private:
  std::vector<std::string> busesOf(const std::string& connectorPath) const;
  std::vector<std::string> busesByEDID(const std::vector<uint8_t>& edid) const;

  std::string drmRoot_;
  std::string devRoot_;
  I2CSyscalls& syscalls_;
};

}  // namespace platform::linux_backend
