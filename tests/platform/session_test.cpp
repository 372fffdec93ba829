// The session layer's translations: the session from the environment,
// Mutter's connector names, and the portal's trigger texts.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/input/desktop_key_names.h"
#include "platform/input/global_shortcuts_portal.h"
#include "platform/key_codes.h"
#include "platform/modes/display_mode_owners.h"
#include "platform/modes/mutter_display_config.h"
#include "platform/modes/output_tool.h"
#include "platform/session/session_type.h"

namespace {

using namespace platform;
using namespace platform::session;
using namespace platform::input;
using namespace platform::modes;

TEST(Session, DetectedFromTheEnvironment) {
  struct Case {
    const char* wayland;
    const char* display;
    const char* desktop;
    const char* described;
    bool gnome, kde;
  };
  const Case cases[] = {
      {"wayland-0", ":0", "GNOME", "Wayland session (GNOME)", true, false},
      {nullptr, ":0", "KDE", "X11 session (KDE)", false, true},
      {"wayland-1", nullptr, "ubuntu:GNOME", "Wayland session (ubuntu:GNOME)", true, false},
      {"wayland-1", nullptr, nullptr, "Wayland session (desktop unknown)", false, false},
      {nullptr, nullptr, nullptr, "no graphical session", false, false},
  };
  const auto set = [](const char* name, const char* value) {
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  };
  // The environment as it was, for the tests after this one.
  std::vector<std::pair<const char*, std::optional<std::string>>> saved;
  for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY", "XDG_CURRENT_DESKTOP"}) {
    const char* value = std::getenv(name);
    saved.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
  }
  for (const Case& c : cases) {
    set("WAYLAND_DISPLAY", c.wayland);
    set("DISPLAY", c.display);
    set("XDG_CURRENT_DESKTOP", c.desktop);
    const SessionType session = detectSession();
    EXPECT_EQ(session.describe(), c.described);
    EXPECT_EQ(session.isGnome(), c.gnome) << c.described;
    EXPECT_EQ(session.isKde(), c.kde) << c.described;
  }
  for (const auto& [name, value] : saved) set(name, value ? value->c_str() : nullptr);
}

// Mutter calls HDMI-A connectors HDMI; KWin and wlroots keep the kernel's names.
TEST(Session, CompositorsNameConnectorsTheirOwnWay) {
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

// The stored hotkeys in each desktop's own key syntax: the portal's trigger,
// GNOME's accelerator and sway's bindsym combination.
TEST(Session, DesktopKeyNamesFromStoredHotkeys) {
  struct Case {
    uint32_t keyCode, modifiers;
    const char *trigger, *gnome, *sway;
  };
  const Case cases[] = {
      {kKeyU, kModifierControl, "CTRL+U", "<Control>u", "Ctrl+u"},
      {kKeyD, kModifierControl | kModifierOption, "CTRL+ALT+D", "<Control><Alt>d", "Ctrl+Mod1+d"},
      {kKeyF5, kModifierCommand | kModifierShift, "SHIFT+LOGO+F5", "<Shift><Super>F5",
       "Shift+Mod4+F5"},
      {kKeyX, kModifierControl, "CTRL+X", "<Control>x", "Ctrl+x"},
      {0xFFFF, kModifierControl, "", "", ""}};
  for (const Case& c : cases) {
    EXPECT_EQ(portalTrigger(c.keyCode, c.modifiers).toStdString(), c.trigger);
    EXPECT_EQ(gnomeAccelerator(c.keyCode, c.modifiers), c.gnome);
    EXPECT_EQ(swayKeyCombination(c.keyCode, c.modifiers), c.sway);
  }
}

// A Wayland desktop whose display tool is not installed: the report names the
// tool and its package, not just that nothing can change the resolution.
TEST(Session, AMissingDisplayToolIsNamedWithItsPackage) {
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
}

}  // namespace
