#include "platform/input/desktop_key_names.h"

#include <gtest/gtest.h>

#include "platform/input/global_shortcuts_portal.h"
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

}  // namespace
