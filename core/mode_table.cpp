#include "core/mode_table.h"

#include <strings.h>

#include "base/model_profile.h"
#include "link/monitor_commands.h"

namespace {

using enum ModeButton;
using enum ThresholdScale;

constexpr const char* kTraceA5 = "Switch to A5 mode.\n";
constexpr const char* kTraceA2 = "Switch to A2 mode.\n";
constexpr const char* kTraceA16 = "Switch to A16 mode.\n";

// The Alto's A16 is "16" in the flexible resolution mode, the Tenor's "A16";
// both are "A61" in the fixed one, as the monitors' own menus spell it.
constexpr ModeRow kAltoRows[] = {
    {1, 1, kA5, "Floyd", 1, "Floyd", "Floyd", "Floyd", kTraceA5, 140, kFloydLevels,
     SendMonitorFloydThreshold},
    {2, 1, kA2, "A2", 0, "A2", "A2", "A2", kTraceA2, 190, kA2Range, SendMonitorA2Threshold},
    {3, 1, kA16, "16", 2, "16", "A16", "A16", kTraceA16, 0, kNone, nullptr},
    {4, 2, kA5, "A5", 1, "A5", "A5", "A5", kTraceA5, 160, kLowA5Range, SendMonitorLowA5Threshold},
    {5, 2, kA2, "A2", 0, "A2", "A2", "A2", kTraceA2, 190, kA2Range, SendMonitorLowA2Threshold},
    {6, 2, kA16, "A61", 2, "A61", "A61", "A16", kTraceA16, 0, kNone, nullptr},
};

constexpr ModeRow kTenorRows[] = {
    {1, 1, kA5, "Floyd", 1, "Floyd", "Floyd", "Floyd", kTraceA5, 140, kFloydLevels,
     SendMonitorFloydThreshold},
    {2, 1, kA2, "A2", 0, "A2", "A2", "A2", kTraceA2, 190, kA2Range, SendMonitorA2Threshold},
    {3, 1, kA16, "A16", 2, "A16", "A16", "A16", kTraceA16, 0, kNone, nullptr},
    {4, 2, kA5, "A5", 1, "A5", "A5", "A5", kTraceA5, 160, kLowA5Range, SendMonitorLowA5Threshold},
    {5, 2, kA2, "A2", 0, "A2", "A2", "A2", kTraceA2, 190, kA2Range, SendMonitorLowA2Threshold},
    {6, 2, kA16, "A61", 2, "A61", "A61", "A16", kTraceA16, 0, kNone, nullptr},
};

}  // namespace

std::span<const ModeRow> modeRows() {
  if (&base::profile() == &base::tenorProfile()) return kTenorRows;
  return kAltoRows;
}

const ModeRow* modeRow(unsigned showMode) {
  const auto rows = modeRows();
  return showMode >= 1 && showMode <= rows.size() ? &rows[showMode - 1] : nullptr;
}

uint8_t showModeOf(ModeButton button, unsigned resolutionMode) {
  for (const ModeRow& row : modeRows()) {
    if (row.button == button && row.resolutionMode == resolutionMode) return row.showMode;
  }
  return 0;
}

uint8_t showModeNamed(const char* name, unsigned resolutionMode) {
  for (const ModeRow& row : modeRows()) {
    if (row.resolutionMode == resolutionMode && strcasecmp(row.name, name) == 0) {
      return row.showMode;
    }
  }
  return 0;
}

// The monitor counts its modes 1..3 within the resolution mode in force; a
// Tenor also reports 4..6, which wrap onto the same three.
uint8_t showModeOfEvent(uint8_t data, unsigned resolutionMode) {
  int mode = resolutionMode == 2 ? data + 3 : data;
  if (mode > 6) mode -= 3;
  return static_cast<uint8_t>(mode);
}
