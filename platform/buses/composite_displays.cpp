#include "platform/buses/composite_displays.h"

#include <map>

namespace platform::buses {
namespace {

// Begins a configuration on each backend the moment one of its displays is configured.
class CompositeConfiguration : public DisplayConfiguration {
 public:
  explicit CompositeConfiguration(CompositeDisplays& displays) : displays_(displays) {}

  void configureDisplayWithDisplayMode(DisplayID display, const DisplayMode& mode) override {
    DisplayServices* owner = displays_.ownerOf(display);
    if (owner == nullptr) {
      failed_ = true;
      return;
    }
    auto& configuration = parts_[owner];
    if (!configuration) configuration = owner->beginDisplayConfiguration();
    if (!configuration) {
      failed_ = true;
      return;
    }
    configuration->configureDisplayWithDisplayMode(display, mode);
  }

  bool complete() override {
    if (failed_) return false;
    for (auto& [owner, configuration] : parts_) {
      if (!configuration->complete()) {
        refusal_ = configuration->refusal();
        return false;
      }
    }
    return true;
  }

  void cancel() override {
    for (auto& [owner, configuration] : parts_) configuration->cancel();
  }

 private:
  CompositeDisplays& displays_;
  std::map<DisplayServices*, std::unique_ptr<DisplayConfiguration>> parts_;
  bool failed_ = false;
};

}  // namespace

CompositeDisplays::CompositeDisplays(std::vector<DisplayServices*> backends)
    : backends_(std::move(backends)) {}

std::optional<std::vector<DisplayID>> CompositeDisplays::onlineDisplayList() {
  std::vector<DisplayID> online;
  std::vector<std::pair<DisplayID, DisplayServices*>> owners;
  bool anyList = false;
  for (DisplayServices* backend : backends_) {
    const auto list = backend->onlineDisplayList();
    if (!list) continue;
    anyList = true;
    for (DisplayID id : *list) {
      if (online.size() == kMaxOnlineDisplays) break;
      online.push_back(id);
      owners.emplace_back(id, backend);
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  owners_ = std::move(owners);
  if (!anyList) return std::nullopt;
  return online;
}

DisplayServices* CompositeDisplays::ownerOf(DisplayID display) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [id, owner] : owners_) {
      if (id == display) return owner;
    }
  }
  return nullptr;
}

std::optional<FramebufferService> CompositeDisplays::displayIOServicePort(DisplayID display) {
  DisplayServices* owner = ownerOf(display);
  if (owner == nullptr) return std::nullopt;
  return owner->displayIOServicePort(display);
}

bool CompositeDisplays::registryEntryPath(const FramebufferService& service) {
  DisplayServices* owner = ownerOf(service.display);
  return owner != nullptr && owner->registryEntryPath(service);
}

std::optional<uint32_t> CompositeDisplays::i2cInterfaceCount(const FramebufferService& service) {
  DisplayServices* owner = ownerOf(service.display);
  if (owner == nullptr) return std::nullopt;
  return owner->i2cInterfaceCount(service);
}

std::optional<I2CInterface> CompositeDisplays::copyI2CInterfaceForBus(
    const FramebufferService& service, uint32_t bus) {
  DisplayServices* owner = ownerOf(service.display);
  if (owner == nullptr) return std::nullopt;
  return owner->copyI2CInterfaceForBus(service, bus);
}

std::unique_ptr<I2CConnection> CompositeDisplays::i2cInterfaceOpen(const I2CInterface& interface,
                                                                   BusCause& cause) {
  DisplayServices* owner = ownerOf(interface.display);
  if (owner == nullptr) return nullptr;
  return owner->i2cInterfaceOpen(interface, cause);
}

std::string CompositeDisplays::busName(const I2CInterface& interface) {
  DisplayServices* owner = ownerOf(interface.display);
  return owner == nullptr ? std::string() : owner->busName(interface);
}

std::optional<DisplaySize> CompositeDisplays::displayBounds(DisplayID display) {
  DisplayServices* owner = ownerOf(display);
  if (owner == nullptr) return std::nullopt;
  return owner->displayBounds(display);
}

std::optional<std::vector<DisplayMode>> CompositeDisplays::copyAllDisplayModes(DisplayID display) {
  DisplayServices* owner = ownerOf(display);
  if (owner == nullptr) return std::nullopt;
  return owner->copyAllDisplayModes(display);
}

std::unique_ptr<DisplayConfiguration> CompositeDisplays::beginDisplayConfiguration() {
  return std::make_unique<CompositeConfiguration>(*this);
}

}  // namespace platform::buses
