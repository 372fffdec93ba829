#include "core/screen_resolution.h"

#include <cstdio>
#include <string>

#include "base/model_profile.h"
#include "base/tl_log.h"
#include "core/app_delegate.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "core/ui_posts.h"
#include "link/monitor_commands.h"
#include "platform/mode_failure.h"
#include "platform/platform.h"

Resolution currentRes;
Resolution mainDefaultRes;

namespace {

void systemLog(const char* text) {
  platform::app().systemLog(text);
}

void reportResolutionMode(uint8_t mode, const char* logLine) {
  SendMonitorRes(mode);
  ResCommMode = mode;
  postChangeResModeRadio();
  tl_log("%s", logLine);
}

// The monitor's mode of that size, applied; modeFound says whether the
// monitor lists the size at all. A failure leaves its reason with the platform.
bool applySize(uint32_t display, uint64_t width, uint64_t height, bool* modeFound) {
  auto& displays = platform::displays();
  platform::noteModeFailure("");
  const auto modes = displays.copyAllDisplayModes(display);
  if (!modes || modes->empty()) {
    platform::noteModeFailure("the desktop lists no display modes for the monitor");
    return false;
  }
  const platform::DisplayMode* match = nullptr;
  for (const auto& mode : *modes) {
    char line[160];
    std::snprintf(line, sizeof line, "Resolution width:height  ==>>  %ld:%ld(%ld, %ld).\n",
                  static_cast<long>(mode.width), static_cast<long>(mode.height),
                  static_cast<long>(width), static_cast<long>(height));
    systemLog(line);
    if (mode.width == width && mode.height == height) {
      systemLog("Find out match resolution.\n");
      match = &mode;
      break;
    }
  }
  if (modeFound != nullptr) *modeFound = match != nullptr;
  if (match == nullptr) {
    platform::noteModeFailure("the monitor has no " + std::to_string(width) + "x" +
                              std::to_string(height) + " mode");
    return false;
  }
  auto configuration = displays.beginDisplayConfiguration();
  if (!configuration) {
    platform::noteModeFailure("the display configuration could not be begun");
    return false;
  }
  configuration->configureDisplayWithDisplayMode(display, *match);
  if (!configuration->complete()) {
    configuration->cancel();
    systemLog("Cancel resolution setting .xxxxxxxx.\n");
    if (platform::lastModeFailure().empty()) platform::noteModeFailure("the desktop refused it");
    return false;
  }
  systemLog("Success setting new resolution.\n");
  return true;
}

}  // namespace

bool setDisplayResolution(uint32_t display, uint64_t width, uint64_t height) {
  return applySize(display, width, height, nullptr);
}

void ResChangeDetect() {
  // A monitor whose size cannot be read (it went away) is not a resolution change.
  const auto bounds = platform::displays().displayBounds(TLMonitorID.load());
  if (!bounds) return;
  const bool manualChange = profile().usesResManualChangeFlag && ResManualChangeFlag.load() >= 1;
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
  if (profile().usesResManualChangeFlag && ResManualChangeFlag.load() == 2) ResManualChangeFlag = 0;
}

void AppDelegate::SaveDefaultScreenResolution() {
  const auto bounds = platform::displays().displayBounds(TLMonitorID.load());
  const auto width = static_cast<uint64_t>(bounds ? bounds->width : 0);
  const auto height = static_cast<uint64_t>(bounds ? bounds->height : 0);
  currentRes.set(width, height);
  mainDefaultRes.set(width, height);
  if (width * height == kFixedModeArea) mainDefaultRes.set(1600, 1200);
}

// Landscape first, then portrait; a failure names the landscape attempt's
// reason when that mode exists, since the desktop refused that one.
bool AppDelegate::SetDefaultScreenResolution() {
  const uint32_t monitor = TLMonitorID.load();
  bool landscapeFound = false;
  if (applySize(monitor, 1100, 825, &landscapeFound)) return true;
  const std::string landscapeReason = platform::lastModeFailure();
  bool portraitFound = false;
  if (applySize(monitor, 825, 1100, &portraitFound)) return true;
  if (landscapeFound) {
    platform::noteModeFailure(landscapeReason);
  } else if (!portraitFound) {
    platform::noteModeFailure("the monitor has no 1100x825 or 825x1100 mode");
  }
  return false;
}

bool AppDelegate::RestoreDefaultScreenResolution() {
  return setDisplayResolution(TLMonitorID.load(), mainDefaultRes.width.load(),
                              mainDefaultRes.height.load());
}
