#pragma once
// wlroots compositors (sway ...): the output management protocol through
// `wlr-randr` (Debian 12 ships no protocol file for it): its listing for the
// outputs and modes, and `--output NAME --mode WxH@RHz` for one output.

#include "platform/screen_modes.h"

namespace platform::session {

class WlrRandr : public ScreenModes {
 public:
  static bool available();

  std::optional<DisplaySize> bounds(const MonitorName& monitor) override;
  std::optional<std::vector<DisplayMode>> modes(const MonitorName& monitor) override;
  bool apply(const MonitorName& monitor, uint64_t width, uint64_t height) override;
};

}  // namespace platform::session
