// Key names from real xkbcommon keymaps: the layout in use, not the first
// one, names the keys; dead keys are named by the character they stand for.

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client-protocol.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <string>

#include "platform/input/wayland_keymap.h"
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

// The keymap a Wayland compositor sends, as a file: only the text format,
// within the file and the size limit, is read; a size past the file's end
// would have ended the process.
TEST(WaylandKeymapFile, OnlyAWholeTextKeymapIsRead) {
  XkbKeymap german("de");
  ASSERT_NE(german.get(), nullptr);
  char* text = xkb_keymap_get_as_string(german.get(), XKB_KEYMAP_FORMAT_TEXT_V1);
  std::string keymap(text);
  free(text);
  // Whole pages without a terminating NUL: reading on would leave the file.
  keymap.append(4096 - keymap.size() % 4096, ' ');
  const uint32_t length = static_cast<uint32_t>(keymap.size());
  struct Case {
    const char* what;
    uint32_t format, size;
    std::string content;
    bool read;
  };
  const Case cases[] = {
      {"the keymap", WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, length, keymap, true},
      {"a size past the file's end", WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, length + 4096, keymap,
       false},
      {"no keymap", WL_KEYBOARD_KEYMAP_FORMAT_NO_KEYMAP, length, keymap, false},
      {"size 0", WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, 0, keymap, false},
      {"over the limit", WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, platform::input::kLongestKeymap + 1,
       keymap + std::string(platform::input::kLongestKeymap, ' '), false},
      {"not a keymap", WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, 9, "xkb_what", false},
  };
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  for (const Case& c : cases) {
    const int fd = memfd_create("keymap", MFD_CLOEXEC);
    ASSERT_EQ(write(fd, c.content.data(), c.content.size()),
              static_cast<ssize_t>(c.content.size()));
    xkb_keymap* read = platform::input::keymapFromFile(context, c.format, fd, c.size);
    close(fd);
    EXPECT_EQ(read != nullptr, c.read) << c.what;
    if (read != nullptr) {
      // The key at Y's place on a US keyboard is Z on a German one.
      EXPECT_EQ(keyTextInLayout(read, 0, 21 + 8), u"z");
      xkb_keymap_unref(read);
    }
  }
  xkb_context_unref(context);
}
