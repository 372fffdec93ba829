#pragma once
// wlroots compositors (sway ...): the output management protocol through
// `wlr-randr` (Debian 12 ships no protocol file for it): its listing for the
// outputs and modes, and `--output NAME --mode WxH@RHz` for one output.

#include "platform/modes/output_tool.h"

namespace platform::modes {

class WlrRandr : public OutputToolScreenModes {
 public:
  static bool available();

 protected:
  std::optional<ToolOutput> find(const MonitorName& monitor) override;
  bool setMode(const MonitorName& monitor, uint64_t width, uint64_t height,
               std::optional<double> refresh) override;
};

}  // namespace platform::modes
