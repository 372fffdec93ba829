#pragma once
// The real displays: DRM connectors with their /dev/i2c-N buses, and their
// size and modes through whoever owns them in the session (XRandR on X11,
// the compositor on Wayland).

#include <map>
#include <mutex>

#include "platform/buses/sysfs_displays.h"
#include "platform/display_services.h"
#include "platform/screen_modes.h"

namespace platform::buses {

class LinuxDisplayServices : public DisplayServices {
 public:
  explicit LinuxDisplayServices(std::string drmRoot = "/sys/class/drm",
                                std::string devRoot = "/dev",
                                I2CSyscalls& syscalls = realI2CSyscalls(),
                                ScreenModes* screen = nullptr);

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

  bool applyMode(DisplayID display, uint64_t width, uint64_t height, std::string& refusal);

 private:
  std::optional<Connector> connector(DisplayID display);

  SysfsDisplays sysfs_;
  I2CSyscalls& syscalls_;
  ScreenModes* screen_;
  std::mutex mutex_;
  std::map<DisplayID, Connector> connectors_;  // from the last online list
};

}  // namespace platform::buses
