#pragma once
// Displays served by monitor emulators over Unix sockets: each live socket in
// the socket directory is one online display with its buses, size and modes.

#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "platform/buses/socket_protocol.h"
#include "platform/display_services.h"

namespace platform::buses {

// Emulated display IDs carry this bit, so they never meet a connector's ID.
constexpr platform::DisplayID kEmulatedDisplayBit = 0x40000000;

class EmulatedDisplays : public platform::DisplayServices {
 public:
  explicit EmulatedDisplays(std::string directory = socketDirectory());

  std::optional<std::vector<platform::DisplayID>> onlineDisplayList() override;
  std::optional<platform::FramebufferService> displayIOServicePort(platform::DisplayID) override;
  bool registryEntryPath(const platform::FramebufferService&) override;
  std::optional<uint32_t> i2cInterfaceCount(const platform::FramebufferService&) override;
  std::optional<platform::I2CInterface> copyI2CInterfaceForBus(const platform::FramebufferService&,
                                                               uint32_t bus) override;
  // The emulated buses give no cause: cause stays kNone.
  std::unique_ptr<platform::I2CConnection> i2cInterfaceOpen(const platform::I2CInterface&,
                                                            platform::BusCause& cause) override;
  std::optional<platform::DisplaySize> displayBounds(platform::DisplayID) override;
  std::optional<std::vector<platform::DisplayMode>> copyAllDisplayModes(
      platform::DisplayID) override;
  std::unique_ptr<platform::DisplayConfiguration> beginDisplayConfiguration() override;

  // Asks the emulator behind the display to change its mode.
  bool applyMode(platform::DisplayID display, uint64_t width, uint64_t height);
  // Sockets the table holds an ID for: only those seen on the last scan.
  size_t knownSockets();

 private:
  std::optional<std::string> socketPath(platform::DisplayID display);
  std::optional<DisplayInfo> info(platform::DisplayID display);
  std::vector<std::string> socketNames();
  int connect(const std::string& path, const Deadline& deadline);
  // Exchanges asked for by the main thread get a budget a user does not
  // notice; the worker's get longer.
  std::chrono::milliseconds budget() const;
  void reportOnce(const std::string& what, const std::string& why);

  std::string directory_;
  std::thread::id mainThread_;
  std::mutex mutex_;
  std::map<std::string, platform::DisplayID> ids_;  // stable while the socket exists
  platform::DisplayID nextId_ = 1;
  std::set<std::string> reported_;
};

}  // namespace platform::buses
