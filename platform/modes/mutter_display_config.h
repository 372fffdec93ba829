#pragma once
// GNOME's display configuration (org.gnome.Mutter.DisplayConfig) for a
// monitor in a Wayland session: its current size and modes, and a mode
// change that keeps every other monitor as it is. The change is persistent,
// so GNOME asks the user to keep it.

#include "platform/screen_modes.h"

namespace platform::modes {

class MutterDisplayConfig : public ScreenModes {
 public:
  // True when the session bus has the service.
  static bool available();

  std::optional<DisplaySize> bounds(const MonitorName& monitor) override;
  std::optional<std::vector<DisplayMode>> modes(const MonitorName& monitor) override;
  bool apply(const MonitorName& monitor, uint64_t width, uint64_t height,
             std::string& refusal) override;
};

// Mutter's name of a DRM connector: "card1-HDMI-A-1" -> "HDMI-1",
// "card0-eDP-1" -> "eDP-1".
std::string mutterConnectorName(const std::string& drmConnector);

}  // namespace platform::modes
