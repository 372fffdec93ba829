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

}  // namespace

bool setDisplayResolution(uint32_t display, uint64_t width, uint64_t height) {
  auto& displays = platform::displays();
  const auto modes = displays.copyAllDisplayModes(display);
  if (!modes || modes->empty()) return false;
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
  if (match == nullptr) return false;
  auto configuration = displays.beginDisplayConfiguration();
  if (!configuration) return false;
  configuration->configureDisplayWithDisplayMode(display, *match);
  if (!configuration->complete()) {
    configuration->cancel();
    systemLog("Cancel resolution setting .xxxxxxxx.\n");
    return false;
  }
  systemLog("Success setting new resolution.\n");
  return true;
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

bool AppDelegate::SetDefaultScreenResolution() {
  const uint32_t monitor = TLMonitorID.load();
  return setDisplayResolution(monitor, 1100, 825) || setDisplayResolution(monitor, 825, 1100);
}

void AppDelegate::RestoreDefaultScreenResolution() {
  setDisplayResolution(TLMonitorID.load(), mainDefaultRes.width.load(),
                       mainDefaultRes.height.load());
}
