#pragma once
// Several display backends shown as one: the online list is theirs in order
// (the real displays first), and every other call goes to the backend that
// listed the display.

#include <mutex>
#include <vector>

#include "platform/display_services.h"

namespace platform::buses {

class CompositeDisplays : public DisplayServices {
 public:
  explicit CompositeDisplays(std::vector<DisplayServices*> backends);

  std::optional<std::vector<DisplayID>> onlineDisplayList() override;
  std::optional<FramebufferService> displayIOServicePort(DisplayID display) override;
  bool registryEntryPath(const FramebufferService& service) override;
  std::optional<uint32_t> i2cInterfaceCount(const FramebufferService& service) override;
  std::optional<I2CInterface> copyI2CInterfaceForBus(const FramebufferService& service,
                                                     uint32_t bus) override;
  std::unique_ptr<I2CConnection> i2cInterfaceOpen(const I2CInterface& interface,
                                                  BusCause& cause) override;
  std::optional<DisplaySize> displayBounds(DisplayID display) override;
  std::optional<std::vector<DisplayMode>> copyAllDisplayModes(DisplayID display) override;
  std::unique_ptr<DisplayConfiguration> beginDisplayConfiguration() override;
  std::string busName(const I2CInterface& interface) override;

  DisplayServices* ownerOf(DisplayID display);

 private:
  std::vector<DisplayServices*> backends_;
  std::mutex mutex_;
  std::vector<std::pair<DisplayID, DisplayServices*>> owners_;  // from the last online list
};

}  // namespace platform::buses
