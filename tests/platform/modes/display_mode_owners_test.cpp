#include "platform/modes/display_mode_owners.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>

#include "platform/modes/mutter_display_config.h"
#include "platform/modes/output_tool.h"
#include "platform/session/session_type.h"

namespace {

using namespace platform::modes;
using platform::session::SessionType;

// Mutter calls HDMI-A connectors HDMI; KWin and wlroots keep the kernel's names.
TEST(DisplayModeOwners, CompositorsNameConnectorsTheirOwnWay) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"card1-HDMI-A-1", "HDMI-1", "HDMI-A-1"},
      {"card0-eDP-1", "eDP-1", "eDP-1"},
      {"card0-DP-3", "DP-3", "DP-3"},
      {"card2-DVI-D-1", "DVI-D-1", "DVI-D-1"}};
  for (auto [drm, mutter, kwin] : cases) {
    EXPECT_EQ(mutterConnectorName(drm), mutter);
    EXPECT_EQ(kwinConnectorName(drm), kwin);
  }
}

// A Wayland desktop whose display tool is not installed: the report names the
// tool and its package, not just that nothing can change the resolution.
TEST(DisplayModeOwners, AMissingDisplayToolIsNamedWithItsPackage) {
  const std::string path = std::getenv("PATH");
  setenv("PATH", "/nonexistent", 1);
  const auto described = [](const char* desktop) {
    return DisplayModeOwners::describe(SessionType{true, false, desktop});
  };
  const std::string kde = described("KDE");
  const std::string sway = described("sway");
  setenv("PATH", path.c_str(), 1);
  EXPECT_NE(kde.find("kscreen-doctor is not installed (package libkscreen-bin"), std::string::npos)
      << kde;
  EXPECT_NE(sway.find("wlr-randr is not installed (package wlr-randr)"), std::string::npos) << sway;
  // No display at all: nothing changes modes, XRandR least of all.
  EXPECT_EQ(DisplayModeOwners::describe(SessionType{false, false, ""}),
            "none (no graphical session)");
}

}  // namespace
