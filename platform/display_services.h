#pragma once
// Display services: the online displays, each display's I2C buses, one I2C
// request per call, and the display's size, modes and permanent mode changes.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/bus_cause.h"
#include "platform/i2c_request.h"

namespace platform {

using DisplayID = uint32_t;

constexpr uint32_t kMaxOnlineDisplays = 32;

// An open connection to one bus of one display. Closing is destroying it.
class I2CConnection {
 public:
  virtual ~I2CConnection() = default;
  // The platform call itself: false when the request could not be issued at all;
  // otherwise the outcome of the transaction is in request.result.
  virtual bool sendRequest(I2CRequest& request) = 0;
};

// The display's framebuffer service, standing for the display in bus lookups.
struct FramebufferService {
  DisplayID display = 0;
};

// One bus of a display, before it is opened.
struct I2CInterface {
  DisplayID display = 0;
  uint32_t bus = 0;
};

struct DisplayMode {
  uint64_t width = 0;
  uint64_t height = 0;
  uint64_t token = 0;  // backend's own reference to the mode
};

struct DisplaySize {
  double width = 0;
  double height = 0;
};

// A display configuration begun and not yet completed or cancelled.
class DisplayConfiguration {
 public:
  virtual ~DisplayConfiguration() = default;
  virtual void configureDisplayWithDisplayMode(DisplayID display, const DisplayMode& mode) = 0;
  // Makes the configured modes permanent; false leaves the displays as they were.
  virtual bool complete() = 0;
  virtual void cancel() = 0;
  // Why complete() returned false, in the words of whoever refused (Mutter's
  // error, a display tool's exit); empty when nobody said.
  const std::string& refusal() const { return refusal_; }

 protected:
  std::string refusal_;
};

class DisplayServices {
 public:
  virtual ~DisplayServices() = default;

  // At most kMaxOnlineDisplays IDs, in a stable order; nullopt when the list
  // cannot be obtained.
  virtual std::optional<std::vector<DisplayID>> onlineDisplayList() = 0;
  virtual std::optional<FramebufferService> displayIOServicePort(DisplayID display) = 0;
  virtual bool registryEntryPath(const FramebufferService& service) = 0;
  virtual std::optional<uint32_t> i2cInterfaceCount(const FramebufferService& service) = 0;
  virtual std::optional<I2CInterface> copyI2CInterfaceForBus(const FramebufferService& service,
                                                             uint32_t bus) = 0;
  // nullptr when the bus cannot be opened, with why in cause where the
  // backend can tell (kNone otherwise). The interface needs no release.
  virtual std::unique_ptr<I2CConnection> i2cInterfaceOpen(const I2CInterface& interface,
                                                          BusCause& cause) = 0;

  virtual std::optional<DisplaySize> displayBounds(DisplayID display) = 0;
  // nullopt when the display has no mode list.
  virtual std::optional<std::vector<DisplayMode>> copyAllDisplayModes(DisplayID display) = 0;
  // nullptr when no configuration can be begun.
  virtual std::unique_ptr<DisplayConfiguration> beginDisplayConfiguration() = 0;

  // The bus's name for the user ("/dev/i2c-5"); backends without one say nothing.
  virtual std::string busName(const I2CInterface&) { return {}; }
};

}  // namespace platform
