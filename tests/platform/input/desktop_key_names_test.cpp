#include "platform/input/desktop_key_names.h"

#include <gtest/gtest.h>

#include "platform/input/global_shortcuts_portal.h"
#include "platform/input/gnome_shortcuts_in_use.h"
#include "platform/key_codes.h"

namespace {

using namespace platform;
using namespace platform::input;

// The stored hotkeys in each desktop's own key syntax: the portal's trigger,
// GNOME's accelerator and sway's bindsym combination.
TEST(DesktopKeyNames, FromStoredHotkeys) {
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

// GNOME's accelerators as its settings hold them, read back into keys of this
// program's numbering in the toolbox encoding (Super is Command, 0x100).
TEST(DesktopKeyNames, GnomeAcceleratorsReadBack) {
  struct Case {
    const char* accelerator;
    bool known;
    uint32_t keyCode, modifiers;
  };
  const Case cases[] = {
      {"<Super>Tab", true, kKeyTab, 0x0100},
      {"<Primary><Alt>t", true, kKeyT, 0x1800},
      {"<Control><Shift>Page_Down", true, kKeyPageDown, 0x1200},
      {"<Alt>F4", true, kKeyF4, 0x0800},
      {"<Super>A", true, kKeyA, 0x0100},  // GNOME writes some letters upper-case
      {"<ctrl><mod1>Delete", true, kKeyForwardDelete, 0x1800},
      {"<Super>", false, 0, 0},
      {"<Hyper>a", false, 0, 0},
      {"<Super", false, 0, 0},
      {"", false, 0, 0},
      {"XF86AudioMute", false, 0, 0},
      {"<Control>no_such_key", false, 0, 0},
  };
  for (const Case& c : cases) {
    const auto key = hotKeyOfGnomeAccelerator(c.accelerator);
    ASSERT_EQ(key.has_value(), c.known) << c.accelerator;
    if (!key) continue;
    EXPECT_EQ(key->keyCode, c.keyCode) << c.accelerator;
    EXPECT_EQ(key->modifiers, c.modifiers) << c.accelerator;
    EXPECT_TRUE(key->enabled);
  }
}

}  // namespace
