// Which of the package's Shell extensions a GNOME Shell runs: the module
// style from GNOME 45, the older one for 43 and 44, none before 43 or for a
// version it cannot read (the Shell's answer is not trusted to be a number).

#include "platform/input/gnome_shell_focus.h"

#include <gtest/gtest.h>

namespace {

TEST(GnomeShellFocusTest, TheExtensionFollowsTheShellsMajorVersion) {
  const QString module = "quillmark-focus@talvex.com";
  const QString legacy = "quillmark-focus-legacy@talvex.com";
  const std::pair<const char*, QString> cases[] = {
      {"43.9", legacy}, {"44", legacy},       {"45.0", module}, {"48.7", module},
      {"50.5", module}, {"51.alpha", module}, {"42.9", {}},     {"", {}},
      {"GNOME", {}},    {"-48", {}},          {".48", {}},      {"48x.1", {}},
  };
  for (const auto& [version, extension] : cases) {
    EXPECT_EQ(platform::input::GnomeShellFocus::extensionFor(version), extension) << version;
  }
}

}  // namespace
