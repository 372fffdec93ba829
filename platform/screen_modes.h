#pragma once
// Whoever owns a real monitor's display modes in this session: the X server
// (XRandR) in an X11 session, the compositor in a Wayland one. The monitor
// is named by its DRM connector ("card1-HDMI-A-1") and its EDID.

#include <optional>
#include <string>
#include <vector>

#include "platform/display_services.h"

namespace platform {

struct MonitorName {
  std::string connector;
  std::vector<uint8_t> edid;
};

class ScreenModes {
 public:
  virtual ~ScreenModes() = default;
  virtual std::optional<DisplaySize> bounds(const MonitorName& monitor) = 0;
  virtual std::optional<std::vector<DisplayMode>> modes(const MonitorName& monitor) = 0;
  // Changes only this monitor's mode; every other monitor stays as it is.
  // False says why in refusal where the owner tells.
  virtual bool apply(const MonitorName& monitor, uint64_t width, uint64_t height,
                     std::string& refusal) = 0;
};

}  // namespace platform
