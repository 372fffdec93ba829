#include "platform/modes/display_mode_owners.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// Who owns the modes, asked in order: the X server in an X11 session, then
// GNOME's, KDE's and wlroots' own tool, each only on its own desktop.
TEST(DisplayModeOwners, TheFirstOwnerTheSessionHasIsPicked) {
  char folder[] = "/tmp/quillmark-owners-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string path = std::getenv("PATH");
  const auto install = [&](const char* tool) {
    const std::string file = std::string(folder) + "/" + tool;
    std::ofstream(file) << "#!/bin/sh\n";
    chmod(file.c_str(), 0755);
  };
  struct Case {
    SessionType session;
    bool kscreenDoctor;
    const char* owner;
  };
  const Case cases[] = {
      {{false, true, "KDE"}, true, "XRandR"},
      {{true, false, "KDE"}, true, "kscreen-doctor"},
      {{true, false, "sway"}, true, "wlr-randr"},
      {{true, false, "GNOME"}, true, "none (this session does not let"},
      {{true, false, "KDE"}, false, "none: KDE's display tool kscreen-doctor is not installed"},
  };
  install("wlr-randr");
  setenv("PATH", folder, 1);
  DisplayModeOwners owners;
  for (const Case& c : cases) {
    const std::string kscreen = std::string(folder) + "/kscreen-doctor";
    if (c.kscreenDoctor) {
      install("kscreen-doctor");
    } else {
      unlink(kscreen.c_str());
    }
    const std::string described = DisplayModeOwners::describe(c.session);
    EXPECT_EQ(described.rfind(c.owner, 0), 0u) << described;
    EXPECT_EQ(owners.forSession(c.session) != nullptr, described.rfind("none", 0) != 0)
        << described;
  }
  setenv("PATH", path.c_str(), 1);
  std::filesystem::remove_all(folder);
}

}  // namespace
