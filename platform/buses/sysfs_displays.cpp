#include "platform/buses/sysfs_displays.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/buses/display_bus_rule.h"

namespace platform::buses {
namespace {

namespace fs = std::filesystem;

constexpr size_t kEDIDBlock = 128;
constexpr size_t kMaxEDID = 32 * kEDIDBlock;

std::string readText(const fs::path& path) {
  std::ifstream in(path);
  std::string text;
  std::getline(in, text);
  return text;
}

std::vector<uint8_t> readEDID(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes;
  char chunk[kEDIDBlock];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    if (bytes.size() > kMaxEDID) return {};
  }
  // Only whole blocks are an EDID.
  if (bytes.size() % kEDIDBlock != 0) return {};
  return bytes;
}

// "i2c-12" -> 12, anything else -> -1.
long busNumber(const std::string& name) {
  if (name.rfind("i2c-", 0) != 0 || name.size() == 4) return -1;
  long number = 0;
  for (char digit : name.substr(4)) {
    if (digit < '0' || digit > '9' || number > 1000000) return -1;
    number = number * 10 + (digit - '0');
  }
  return number;
}

std::vector<std::string> sortedEntries(const fs::path& directory) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

SysfsDisplays::SysfsDisplays(std::string drmRoot, std::string devRoot, I2CSyscalls& syscalls,
                             std::string i2cRoot)
    : drmRoot_(std::move(drmRoot)),
      devRoot_(std::move(devRoot)),
      i2cRoot_(i2cRoot.empty() ? (fs::path(drmRoot_).parent_path() / "i2c-dev").string()
                               : std::move(i2cRoot)),
      syscalls_(syscalls) {}

bool SysfsDisplays::isDisplayAdapterBus(long number) const {
  return isDisplayBus(i2cRoot_, drmRoot_, "i2c-" + std::to_string(number));
}

uint32_t SysfsDisplays::idFor(const std::string& name) {
  // connector_id is unique per card only; a table keyed by the connector's
  // name keeps IDs unique across cards and stable while the program runs.
  const auto [entry, added] = ids_.try_emplace(name, nextId_);
  if (added) nextId_ = nextId_ % 0x3FFFFFFF + 1;
  return entry->second;
}

std::vector<std::string> SysfsDisplays::busesOf(const std::string& connectorPath) const {
  std::vector<std::string> buses;
  auto add = [&](long number) {
    if (number < 0) return;
    const std::string device = devRoot_ + "/i2c-" + std::to_string(number);
    if (std::find(buses.begin(), buses.end(), device) == buses.end()) buses.push_back(device);
  };
  std::error_code error;
  const fs::path adapter = fs::canonical(fs::path(connectorPath) / "ddc", error);
  if (!error) {
    bool viaDevice = false;
    for (const auto& name : sortedEntries(adapter / "i2c-dev")) {
      add(busNumber(name));
      viaDevice = true;
    }
    if (!viaDevice) add(busNumber(adapter.filename().string()));
  }
  // DisplayPort AUX channels appear as i2c-N children of the connector.
  for (const auto& name : sortedEntries(connectorPath)) add(busNumber(name));
  return buses;
}

std::vector<std::string> SysfsDisplays::busesByEDID(const std::vector<uint8_t>& edid) {
  std::vector<std::string> buses;
  if (edid.size() < kEDIDBlock) return buses;
  if (const auto known = probed_.find(edidKey(edid)); known != probed_.end()) return known->second;
  std::vector<std::pair<long, std::string>> devices;
  for (const auto& name : sortedEntries(devRoot_)) {
    // Memory EEPROMs on SMBus controllers and PMIC buses are never touched.
    const long number = busNumber(name);
    if (number >= 0 && isDisplayAdapterBus(number)) devices.emplace_back(number, name);
  }
  std::sort(devices.begin(), devices.end());
  bool everyBusAnswered = true;
  for (const auto& [number, name] : devices) {
    const std::string path = devRoot_ + "/" + name;
    auto connection = I2CDevConnection::open(syscalls_, path);
    if (!connection) {
      everyBusAnswered = false;
      continue;
    }
    uint8_t offset = 0;
    uint8_t block[kEDIDBlock] = {};
    if (connection->write(0x50, &offset, 1) && connection->read(0x50, block, sizeof block) &&
        std::equal(block, block + kEDIDBlock, edid.begin())) {
      buses.push_back(path);
    }
  }
  // A bus that was busy or closed to us is tried again on the next pass.
  if (everyBusAnswered) probed_[edidKey(edid)] = buses;
  return buses;
}

std::vector<Connector> SysfsDisplays::connectedConnectors() {
  std::vector<Connector> connectors;
  std::string signature;
  for (const auto& name : sortedEntries(drmRoot_)) {
    // Connectors are "cardN-TYPE-M"; "cardN" itself and render nodes are not.
    if (name.rfind("card", 0) != 0 || name.find('-') == std::string::npos) continue;
    const fs::path path = fs::path(drmRoot_) / name;
    if (readText(path / "status") != "connected") continue;
    Connector connector;
    connector.name = name;
    connector.id = idFor(name);
    connector.edid = readEDID(path / "edid");
    connector.buses = busesOf(path.string());
    signature += name + ':' + std::string(connector.edid.begin(), connector.edid.end()) + '\n';
    connectors.push_back(std::move(connector));
  }
  if (signature != probedFor_) {
    probedFor_ = signature;
    probed_.clear();
  }
  for (Connector& connector : connectors) {
    if (connector.buses.empty()) connector.buses = busesByEDID(connector.edid);
  }
  return connectors;
}

bool SysfsDisplays::stillConnected(const Connector& connector) const {
  return readText(fs::path(drmRoot_) / connector.name / "status") == "connected";
}

}  // namespace platform::buses
