#pragma once
// KDE Plasma's display configuration through `kscreen-doctor` (package
// libkf5screen-bin): `-j` for the outputs and their modes, and
// `output.NAME.mode.WxH@R` for a change of one output, leaving the others be.

#include "platform/modes/output_tool.h"

namespace platform::modes {

class KScreenDoctor : public OutputToolScreenModes {
 public:
  // True when kscreen-doctor is on the PATH.
  static bool available();

 protected:
  std::optional<ToolOutput> find(const MonitorName& monitor) override;
  bool setMode(const MonitorName& monitor, uint64_t width, uint64_t height,
               std::optional<double> refresh) override;
};

}  // namespace platform::modes
