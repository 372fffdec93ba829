// Key names from real xkbcommon keymaps: the layout in use, not the first
// one, names the keys; dead keys are named by the character they stand for.

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include "platform/input/xkb_keyboard_services.h"

namespace {

using platform::input::asciiCapableLayout;
using platform::input::keyTextInLayout;

class XkbKeymap {
 public:
  explicit XkbKeymap(const char* layouts) {
    context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names{"evdev", "pc105", layouts, "", ""};
    keymap_ = xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
  }
  ~XkbKeymap() {
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
  }
  xkb_keymap* get() const { return keymap_; }

 private:
  xkb_context* context_;
  xkb_keymap* keymap_;
};

TEST(XkbKeyText, FollowsTheLayoutAndNamesDeadKeys) {
  XkbKeymap keymap("us,fr");
  ASSERT_NE(keymap.get(), nullptr);
  struct Case {
    uint32_t layout;
    uint32_t evdev;
    std::u16string text;
    bool dead;
  };
  const Case cases[] = {
      {0, 16, u"q", false},                       // the key at Q's position on a US keyboard
      {1, 16, u"a", false},                       // is A on a French one
      {0, 26, u"[", false}, {1, 26, u"^", true},  // the circumflex dead key
      {1, 2, u"&", false},
  };
  for (const Case& c : cases) {
    uint32_t deadKeySym = 0;
    EXPECT_EQ(keyTextInLayout(keymap.get(), c.layout, c.evdev + 8, &deadKeySym), c.text)
        << "layout " << c.layout << " key " << c.evdev;
    EXPECT_EQ(deadKeySym != 0, c.dead) << "layout " << c.layout << " key " << c.evdev;
  }
}

TEST(XkbKeyText, NonLatinLayoutFallsBackToAnAsciiCapableOne) {
  XkbKeymap keymap("ru,us");
  ASSERT_NE(keymap.get(), nullptr);
  EXPECT_EQ(asciiCapableLayout(keymap.get(), 0), 1u);
  EXPECT_EQ(asciiCapableLayout(keymap.get(), 1), 1u);
}

}  // namespace
