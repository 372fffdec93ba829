#pragma once
// The keymap a Wayland compositor gives its clients' keyboards, read on a
// connection of the program's own. Naming keys then needs no X server: on
// GNOME, which starts Xwayland only when an X client comes, asking Xwayland
// would start it for the program alone. The compositor tells a keyboard's
// layout group only to the client it focuses, so the group in force is not
// known here.

#include <cstdint>

struct xkb_context;
struct xkb_keymap;
struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_keyboard;

namespace platform::input {

// The keymap in a compositor's file: the xkb text format only, at most
// kLongestKeymap bytes and no more than the file holds, read up to its
// terminating NUL. Null for anything else. Does not take the file.
inline constexpr uint32_t kLongestKeymap = 1024 * 1024;
xkb_keymap* keymapFromFile(xkb_context* context, uint32_t format, int fd, uint32_t size);

class WaylandKeymap {
 public:
  explicit WaylandKeymap(xkb_context* context) : context_(context) {}
  ~WaylandKeymap();
  WaylandKeymap(const WaylandKeymap&) = delete;
  WaylandKeymap& operator=(const WaylandKeymap&) = delete;

  // False where no compositor answers. A seat without a keyboard yet (one
  // plugged in later) gives its keymap when the keyboard comes.
  bool connect();
  // The compositor's keymap as it is now (a layout switched in the
  // desktop's settings sends a new one), or null where none came. The
  // caller takes a reference.
  xkb_keymap* current();

  // For the compositor's events.
  void bind(wl_registry* registry, uint32_t id, const char* interface, uint32_t version);
  void seatCapabilities(uint32_t capabilities);
  void keymapSent(uint32_t format, int fd, uint32_t size);

 private:
  xkb_context* context_;
  wl_display* display_ = nullptr;
  wl_registry* registry_ = nullptr;
  wl_seat* seat_ = nullptr;
  wl_keyboard* keyboard_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
};

}  // namespace platform::input
