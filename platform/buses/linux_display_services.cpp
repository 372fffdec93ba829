#include "platform/buses/linux_display_services.h"

#include <functional>

#include "platform/applying_configuration.h"

namespace platform::buses {

LinuxDisplayServices::LinuxDisplayServices(std::string drmRoot, std::string devRoot,
                                           I2CSyscalls& syscalls, ScreenModes* screen)
    : sysfs_(std::move(drmRoot), std::move(devRoot), syscalls),
      syscalls_(syscalls),
      screen_(screen) {}

std::optional<std::vector<DisplayID>> LinuxDisplayServices::onlineDisplayList() {
  std::vector<DisplayID> online;
  std::map<DisplayID, Connector> connectors;
  for (auto& found : sysfs_.connectedConnectors()) {
    if (online.size() == kMaxOnlineDisplays) break;
    online.push_back(found.id);
    connectors[found.id] = std::move(found);
  }
  std::lock_guard<std::mutex> lock(mutex_);
  connectors_ = std::move(connectors);
  return online;
}

std::optional<Connector> LinuxDisplayServices::connector(DisplayID display) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = connectors_.find(display);
  if (found == connectors_.end()) return std::nullopt;
  return found->second;
}

std::optional<FramebufferService> LinuxDisplayServices::displayIOServicePort(DisplayID display) {
  const auto found = connector(display);
  // A connector unplugged since the last list is no display any more.
  if (!found || !sysfs_.stillConnected(*found)) return std::nullopt;
  return FramebufferService{display};
}

bool LinuxDisplayServices::registryEntryPath(const FramebufferService& service) {
  return connector(service.display).has_value();
}

std::optional<uint32_t> LinuxDisplayServices::i2cInterfaceCount(const FramebufferService& service) {
  const auto found = connector(service.display);
  if (!found) return std::nullopt;
  return static_cast<uint32_t>(found->buses.size());
}

std::optional<I2CInterface> LinuxDisplayServices::copyI2CInterfaceForBus(
    const FramebufferService& service, uint32_t bus) {
  const auto found = connector(service.display);
  if (!found || bus >= found->buses.size()) return std::nullopt;
  return I2CInterface{service.display, bus};
}

std::unique_ptr<I2CConnection> LinuxDisplayServices::i2cInterfaceOpen(const I2CInterface& interface,
                                                                      BusCause& cause) {
  cause = BusCause::kNone;
  const auto found = connector(interface.display);
  if (!found || interface.bus >= found->buses.size()) return nullptr;
  return I2CDevConnection::open(syscalls_, found->buses[interface.bus], &cause);
}

std::string LinuxDisplayServices::busName(const I2CInterface& interface) {
  const auto found = connector(interface.display);
  if (!found || interface.bus >= found->buses.size()) return {};
  return found->buses[interface.bus];
}

std::optional<DisplaySize> LinuxDisplayServices::displayBounds(DisplayID display) {
  const auto found = connector(display);
  if (!found || screen_ == nullptr) return std::nullopt;
  return screen_->bounds({found->name, found->edid});
}

std::optional<std::vector<DisplayMode>> LinuxDisplayServices::copyAllDisplayModes(
    DisplayID display) {
  const auto found = connector(display);
  if (!found || screen_ == nullptr) return std::nullopt;
  return screen_->modes({found->name, found->edid});
}

std::unique_ptr<DisplayConfiguration> LinuxDisplayServices::beginDisplayConfiguration() {
  if (screen_ == nullptr) return nullptr;
  return std::make_unique<ApplyingConfiguration>(
      [this](DisplayID display, const DisplayMode& mode, std::string& refusal) {
        return applyMode(display, mode.width, mode.height, refusal);
      });
}

bool LinuxDisplayServices::applyMode(DisplayID display, uint64_t width, uint64_t height,
                                     std::string& refusal) {
  const auto found = connector(display);
  return found && screen_ != nullptr &&
         screen_->apply({found->name, found->edid}, width, height, refusal);
}

}  // namespace platform::buses
