#include "platform/qt/kde_shortcuts_in_use.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/key_codes.h"

namespace {

using namespace platform;
using namespace platform::qt;

// A kglobalshortcutsrc as KDE writes it: several active shortcuts split by an
// escaped tab, a comma escaped inside one, "none", component names and
// friendly names, and the program's own component, whose keys are its hotkeys.
constexpr const char* kFile =
    "[ActivityManager]\n"
    "_k_friendly_name=Activity Manager\n"
    "switch-to-activity-1=none,none,Switch to activity \"Default\"\n"
    "\n"
    "[kwin]\n"
    "Window Close=Alt+F4,Alt+F4,Close Window\n"
    "Expose=Ctrl+F9\\tMeta+D,Ctrl+F9,Toggle Present Windows\n"
    "Walk Through Windows=Alt+Tab,Alt+Tab,Walk Through Windows\n"
    "Zoom=Meta+\\,,none,Zoom\n"
    "Odd=Ctrl+Alt+Shift+Meta+Nonsense,none,Odd\n"
    "\n"
    "[com.talvex.AltoControl]\n"
    "contrast-up=Ctrl+U,none,Contrast up\n";

TEST(KdeShortcutsInUse, ActiveShortcutsOfEveryOtherComponent) {
  const std::vector<SystemHotKey> found = kdeShortcutsInText(kFile, "com.talvex.AltoControl");
  struct Expected {
    uint32_t keyCode, modifiers;
  };
  const Expected expected[] = {
      {kKeyF4, 0x0800},   // Alt+F4
      {101, 0x1000},      // Ctrl+F9
      {kKeyD, 0x0100},    // Meta+D
      {kKeyTab, 0x0800},  // Alt+Tab
      {43, 0x0100},       // Meta+, (the escaped comma)
  };
  ASSERT_EQ(found.size(), std::size(expected));
  for (size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(found[i].keyCode, expected[i].keyCode) << i;
    EXPECT_EQ(found[i].modifiers, expected[i].modifiers) << i;
    EXPECT_TRUE(found[i].enabled);
  }
  // Without the program's app id, its own component counts like any other.
  EXPECT_EQ(kdeShortcutsInText(kFile, "").size(), std::size(expected) + 1);
}

// Read from the user's own regular file only; anything else gives nothing.
TEST(KdeShortcutsInUse, OnlyTheUsersOwnRegularFile) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("kglobal-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string file = (folder / "kglobalshortcutsrc").string();
  std::ofstream(file) << kFile;
  EXPECT_EQ(kdeShortcutsInUse(file, "com.talvex.AltoControl").size(), 5u);
  EXPECT_TRUE(kdeShortcutsInUse((folder / "missing").string(), "").empty());
  const std::string fifo = (folder / "fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_TRUE(kdeShortcutsInUse(fifo, "").empty());  // never blocks on it
  std::filesystem::remove_all(folder);
}

}  // namespace
