#include "platform/session/session_type.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace platform::session;

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

}  // namespace
