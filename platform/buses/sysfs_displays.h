#pragma once
// The connected DRM connectors and their I2C buses, read from sysfs.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/buses/i2c_dev_bus.h"

namespace platform::buses {

struct Connector {
  std::string name;                // "card0-HDMI-A-1"
  uint32_t id = 0;                 // unique across cards, stable for the life of the connector
  std::vector<std::string> buses;  // /dev/i2c-N, the ddc link's first
  std::vector<uint8_t> edid;
};

class SysfsDisplays {
 public:
  // i2cRoot is the i2c-dev class folder (default: beside drmRoot).
  SysfsDisplays(std::string drmRoot, std::string devRoot, I2CSyscalls& syscalls,
                std::string i2cRoot = "");

  // Connected connectors in name order.
  std::vector<Connector> connectedConnectors();
  bool stillConnected(const Connector& connector) const;
  // True when /dev/i2c-N is a display's bus (display_bus_rule.h).
  bool isDisplayAdapterBus(long number) const;

 private:
  std::vector<std::string> busesOf(const std::string& connectorPath) const;
  // EDID probing at 0x50 of the display adapters' buses, for connectors
  // without a ddc link; done again only when the connectors or their EDIDs change.
  std::vector<std::string> busesByEDID(const std::vector<uint8_t>& edid);
  uint32_t idFor(const std::string& name);

  std::string drmRoot_;
  std::string devRoot_;
  std::string i2cRoot_;
  I2CSyscalls& syscalls_;
  std::map<std::string, uint32_t> ids_;
  uint32_t nextId_ = 1;
  std::string probedFor_;  // the connectors and EDIDs the probe results belong to
  // Keyed by the EDID's bytes as a string: GCC's release build warns, wrongly,
  // about the comparison of vectors of bytes.
  static std::string edidKey(const std::vector<uint8_t>& edid) {
    return std::string(edid.begin(), edid.end());
  }
  std::map<std::string, std::vector<std::string>> probed_;
};

}  // namespace platform::buses
