#include "platform/input/wayland_keymap.h"

#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstring>

namespace platform::input {
namespace {

// Version 5 has wl_keyboard.release; the keymap events are the same since 1.
constexpr uint32_t kSeatVersion = 5;

void onGlobal(void* data, wl_registry* registry, uint32_t id, const char* interface,
              uint32_t version) {
  static_cast<WaylandKeymap*>(data)->bind(registry, id, interface, version);
}
void onGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener = {onGlobal, onGlobalRemove};

void onCapabilities(void* data, wl_seat*, uint32_t capabilities) {
  static_cast<WaylandKeymap*>(data)->seatCapabilities(capabilities);
}
void onSeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener = {onCapabilities, onSeatName};

void onKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
  static_cast<WaylandKeymap*>(data)->keymapSent(format, fd, size);
  close(fd);
}
void onEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void onLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void onKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void onModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void onRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener kKeyboardListener = {onKeymap, onEnter,     onLeave,
                                                onKey,    onModifiers, onRepeatInfo};

}  // namespace

xkb_keymap* keymapFromFile(xkb_context* context, uint32_t format, int fd, uint32_t size) {
  struct stat file {};
  // Reading past the file's end would end the process (SIGBUS).
  if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || size == 0 || size > kLongestKeymap ||
      fstat(fd, &file) != 0 || file.st_size < static_cast<off_t>(size)) {
    return nullptr;
  }
  // Private: the compositor may share one file with every client (and, from
  // version 7 of the seat, forbids writing to it).
  void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const char* text = static_cast<const char*>(mapped);
  xkb_keymap* keymap = xkb_keymap_new_from_buffer(
      context, text, strnlen(text, size), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
  munmap(mapped, size);
  return keymap;
}

WaylandKeymap::~WaylandKeymap() {
  if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
  if (keyboard_ != nullptr) wl_keyboard_release(keyboard_);
  if (seat_ != nullptr) wl_seat_destroy(seat_);
  if (registry_ != nullptr) wl_registry_destroy(registry_);
  if (display_ != nullptr) wl_display_disconnect(display_);
}

void WaylandKeymap::bind(wl_registry* registry, uint32_t id, const char* interface,
                         uint32_t version) {
  if (std::strcmp(interface, wl_seat_interface.name) != 0 || seat_ != nullptr) return;
  // wl_keyboard.release needs version 3; older seats are left alone.
  if (version < 3) return;
  seat_ = static_cast<wl_seat*>(
      wl_registry_bind(registry, id, &wl_seat_interface, std::min(version, kSeatVersion)));
  wl_seat_add_listener(seat_, &kSeatListener, this);
}

void WaylandKeymap::seatCapabilities(uint32_t capabilities) {
  if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) == 0 || keyboard_ != nullptr) return;
  keyboard_ = wl_seat_get_keyboard(seat_);
  wl_keyboard_add_listener(keyboard_, &kKeyboardListener, this);
}

void WaylandKeymap::keymapSent(uint32_t format, int fd, uint32_t size) {
  xkb_keymap* fresh = keymapFromFile(context_, format, fd, size);
  if (fresh == nullptr) return;
  if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
  keymap_ = fresh;
}

bool WaylandKeymap::connect() {
  display_ = wl_display_connect(nullptr);
  if (display_ == nullptr) return false;
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &kRegistryListener, this);
  // The globals, then the seat's capabilities, then the keyboard's keymap.
  for (int step = 0; step < 3; ++step) {
    if (wl_display_roundtrip(display_) < 0) return false;
  }
  return true;
}

xkb_keymap* WaylandKeymap::current() {
  if (display_ == nullptr) return nullptr;
  // What came since (a new keymap, a keyboard plugged in) is read without
  // waiting: a compositor that does not answer, or is gone, leaves the last
  // one. A keyboard asked for on the way goes out now.
  wl_display_flush(display_);
  bool readable = true;
  // A connection in error dispatches nothing: its queue would never empty.
  while (readable && wl_display_prepare_read(display_) != 0) {
    readable = wl_display_dispatch_pending(display_) >= 0;
  }
  if (readable) {
    pollfd waiting{wl_display_get_fd(display_), POLLIN, 0};
    if (poll(&waiting, 1, 0) > 0) {
      wl_display_read_events(display_);
    } else {
      wl_display_cancel_read(display_);
    }
    wl_display_dispatch_pending(display_);
  }
  return keymap_ != nullptr ? xkb_keymap_ref(keymap_) : nullptr;
}

}  // namespace platform::input
