#pragma once
// The X screen's view of a monitor: its size, its modes and mode changes,
// through XRandR on the output whose EDID is the monitor's. Each thread uses
// an X connection of its own. Without an X server every call fails.

#include <optional>
#include <vector>

#include "platform/display_services.h"
#include "platform/screen_modes.h"

namespace platform::modes {

// Where an enabled CRTC lies on the screen: its mode's size before rotation.
struct CrtcArea {
  int x = 0;
  int y = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  bool quarterTurn = false;  // rotated by 90 or 270 degrees: width and height swap
};

// The screen size that holds every enabled output, and no more.
DisplaySize screenSizeFor(const std::vector<CrtcArea>& crtcs);

class XRandRScreen : public ScreenModes {
 public:
  std::optional<DisplaySize> bounds(const MonitorName& monitor) override;
  std::optional<std::vector<DisplayMode>> modes(const MonitorName& monitor) override;
  bool apply(const MonitorName& monitor, uint64_t width, uint64_t height,
             std::string& refusal) override;
};

}  // namespace platform::modes
