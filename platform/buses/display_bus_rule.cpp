#include "platform/buses/display_bus_rule.h"

#include <filesystem>
#include <fstream>
#include <vector>

namespace platform::buses {
namespace {

namespace fs = std::filesystem;

std::string firstLine(const fs::path& path) {
  std::ifstream in(path);
  std::string text;
  std::getline(in, text);
  return text;
}

bool isBelow(const fs::path& inner, const fs::path& outer) {
  const std::string in = inner.string();
  const std::string out = outer.string() + "/";
  return in.compare(0, out.size(), out) == 0;
}

// The display-class PCI device the adapter belongs to; empty when none.
fs::path displayDeviceOf(fs::path path) {
  for (; !path.empty() && path != path.root_path(); path = path.parent_path()) {
    if (firstLine(path / "class").rfind("0x03", 0) == 0) return path;
  }
  return {};
}

bool isConnectorName(const std::string& name) {
  return name.rfind("card", 0) == 0 && name.find('-') != std::string::npos;
}

struct ConnectorLinks {
  fs::path connector;  // canonical
  fs::path ddc;        // canonical ddc target, empty without one
  bool hasAux = false;
};

std::vector<ConnectorLinks> connectorsOf(const fs::path& drmRoot, const fs::path& device) {
  std::vector<ConnectorLinks> connectors;
  std::error_code error;
  for (fs::directory_iterator it(drmRoot, error), end; !error && it != end; it.increment(error)) {
    if (!isConnectorName(it->path().filename().string())) continue;
    std::error_code inner;
    const fs::path connector = fs::canonical(it->path(), inner);
    if (inner || !isBelow(connector, device)) continue;
    ConnectorLinks links{connector, fs::canonical(connector / "ddc", inner), false};
    if (inner) links.ddc.clear();
    for (fs::directory_iterator child(connector, inner), last; !inner && child != last;
         child.increment(inner)) {
      links.hasAux = links.hasAux || child->path().filename().string().rfind("i2c-", 0) == 0;
    }
    connectors.push_back(links);
  }
  return connectors;
}

// Drivers that name a bus for what it reaches: amdgpu's SMU adapter leads to
// the board's EEPROM and power controllers, never to a monitor.
bool namedAsOtherThanDisplay(const fs::path& adapter) {
  return firstLine(adapter / "name").find("SMU") != std::string::npos;
}

}  // namespace

bool isDisplayBus(const std::string& i2cDevRoot, const std::string& drmRoot,
                  const std::string& bus) {
  std::error_code error;
  const fs::path adapter = fs::canonical(fs::path(i2cDevRoot) / bus / "device", error);
  if (error) return false;
  const fs::path device = displayDeviceOf(adapter.parent_path());
  if (device.empty()) return false;
  const std::vector<ConnectorLinks> connectors = connectorsOf(drmRoot, device);
  bool driverLinksBuses = false;
  for (const ConnectorLinks& links : connectors) {
    if (links.ddc == adapter || isBelow(adapter, links.connector)) return true;
    driverLinksBuses = driverLinksBuses || !links.ddc.empty() || links.hasAux;
  }
  return !connectors.empty() && !driverLinksBuses && !namedAsOtherThanDisplay(adapter);
}

}  // namespace platform::buses
