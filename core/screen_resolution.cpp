#include "core/screen_resolution.h"

#include <cstdio>
#include <string>

#include "base/model_profile.h"
#include "base/tl_log.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "core/ui_posts.h"
#include "link/monitor_commands.h"
#include "platform/platform.h"

Resolution currentRes;
Resolution mainDefaultRes;

namespace {

void reportResolutionMode(uint8_t mode, const char* logLine) {
  SendMonitorRes(mode);
  ResCommMode = mode;
  postChangeResModeRadio();
  base::tl_log("%s", logLine);
}

ModeSwitch refused(std::string reason, bool modeFound = false) {
  return {false, modeFound, std::move(reason)};
}

}  // namespace

ModeSwitch setDisplayResolution(uint32_t display, uint64_t width, uint64_t height) {
  auto& displays = platform::displays();
  auto& app = platform::app();
  const auto modes = displays.copyAllDisplayModes(display);
  if (!modes || modes->empty())
    return refused("the desktop lists no display modes for the monitor");
  const platform::DisplayMode* match = nullptr;
  for (const auto& mode : *modes) {
    char line[160];
    std::snprintf(line, sizeof line, "Resolution width:height  ==>>  %ld:%ld(%ld, %ld).\n",
                  static_cast<long>(mode.width), static_cast<long>(mode.height),
                  static_cast<long>(width), static_cast<long>(height));
    app.systemLog(line);
    if (mode.width == width && mode.height == height) {
      app.systemLog("Find out match resolution.\n");
      match = &mode;
      break;
    }
  }
  if (match == nullptr) {
    return refused("the monitor has no " + std::to_string(width) + "x" + std::to_string(height) +
                   " mode");
  }
  auto configuration = displays.beginDisplayConfiguration();
  if (!configuration) return refused("the display configuration could not be begun", true);
  configuration->configureDisplayWithDisplayMode(display, *match);
  if (!configuration->complete()) {
    const std::string reason = configuration->refusal();
    configuration->cancel();
    app.systemLog("Cancel resolution setting .xxxxxxxx.\n");
    return refused(reason.empty() ? "the desktop refused it" : reason, true);
  }
  app.systemLog("Success setting new resolution.\n");
  return {true, true, {}};
}

void ResChangeDetect() {
  // A monitor whose size cannot be read (it went away) is not a resolution change.
  const auto bounds = platform::displays().displayBounds(TLMonitorID.load());
  if (!bounds) return;
  const bool manualChange =
      base::profile().usesResManualChangeFlag && ResManualChangeFlag.load() >= 1;
  if (!manualChange) {
    const uint64_t recordedArea = currentRes.area();
    const double area = bounds->width * bounds->height;
    if (static_cast<double>(recordedArea) != area) {
      if (recordedArea == kFixedModeArea) {
        reportResolutionMode(1, "detect monitor changed to high res.\n");
      } else if (area == static_cast<double>(kFixedModeArea)) {
        reportResolutionMode(2, "detect monitor changed to low res.\n");
      }
    }
  }
  currentRes.set(static_cast<uint64_t>(bounds->width), static_cast<uint64_t>(bounds->height));
  if (base::profile().usesResManualChangeFlag && ResManualChangeFlag.load() == 2)
    ResManualChangeFlag = 0;
}

void saveDefaultScreenResolution() {
  const auto bounds = platform::displays().displayBounds(TLMonitorID.load());
  const auto width = static_cast<uint64_t>(bounds ? bounds->width : 0);
  const auto height = static_cast<uint64_t>(bounds ? bounds->height : 0);
  currentRes.set(width, height);
  mainDefaultRes.set(width, height);
  if (width * height == kFixedModeArea) mainDefaultRes.set(1600, 1200);
}

// A failure names the landscape attempt's reason when that mode exists,
// since the desktop refused that one.
ModeSwitch setDefaultScreenResolution() {
  const uint32_t monitor = TLMonitorID.load();
  const ModeSwitch landscape = setDisplayResolution(monitor, 1100, 825);
  if (landscape.switched) return landscape;
  const ModeSwitch portrait = setDisplayResolution(monitor, 825, 1100);
  if (portrait.switched) return portrait;
  if (landscape.modeFound) return landscape;
  if (portrait.modeFound) return portrait;
  return refused("the monitor has no 1100x825 or 825x1100 mode");
}

ModeSwitch restoreDefaultScreenResolution() {
  return setDisplayResolution(TLMonitorID.load(), mainDefaultRes.width.load(),
                              mainDefaultRes.height.load());
}
