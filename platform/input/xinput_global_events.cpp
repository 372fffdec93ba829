#include "platform/input/xinput_global_events.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <unistd.h>

#include <chrono>
#include <iterator>
#include <thread>

#include "platform/input/key_table.h"
#include "platform/session/x11_display.h"

namespace platform::input {

bool ModifierKeys::update(uint32_t x11Keycode, bool pressed) {
  // Left and right Shift, Control, Alt and Super at their evdev positions.
  static constexpr std::pair<uint32_t, uint32_t> kModifierKeys[] = {
      {42, ShiftMask}, {54, ShiftMask}, {29, ControlMask}, {97, ControlMask},
      {56, Mod1Mask},  {100, Mod1Mask}, {125, Mod4Mask},   {126, Mod4Mask}};
  for (size_t i = 0; i < std::size(kModifierKeys); ++i) {
    if (kModifierKeys[i].first + 8 == x11Keycode) {
      held_[i] = pressed;
      return true;
    }
  }
  return false;
}

uint32_t ModifierKeys::state() const {
  static constexpr uint32_t kMasks[] = {ShiftMask, ShiftMask, ControlMask, ControlMask,
                                        Mod1Mask,  Mod1Mask,  Mod4Mask,    Mod4Mask};
  uint32_t mask = 0;
  for (size_t i = 0; i < std::size(kMasks); ++i) {
    if (held_[i]) mask |= kMasks[i];
  }
  return mask;
}

namespace {

// The process that owns a window, from _NET_WM_PID on it or an ancestor; 0 if none.
unsigned long windowOwner(Display* display, Window window) {
  const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", True);
  if (pidAtom == 0) return 0;
  for (int depth = 0; window != 0 && window != PointerRoot && depth < 16; ++depth) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &remaining, &data) == Success &&
        data != nullptr) {
      const unsigned long pid =
          (format == 32 && count == 1) ? *reinterpret_cast<unsigned long*>(data) : 0;
      XFree(data);
      if (pid != 0) return pid;
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int childCount = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &childCount)) return 0;
    if (children != nullptr) XFree(children);
    if (parent == root) return 0;
    window = parent;
  }
  return 0;
}

// Keys typed into this program's own window belong to its local monitor.
bool focusIsOurs(Display* display) {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  return windowOwner(display, focus) == static_cast<unsigned long>(getpid());
}

bool pointerIsOurs(Display* display) {
  Window root = 0, child = 0;
  int rootX, rootY, x, y;
  unsigned int mask;
  if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y,
                     &mask)) {
    return false;
  }
  return child != 0 && windowOwner(display, child) == static_cast<unsigned long>(getpid());
}

// Pointer motion only restarts the idle count: a few a second are plenty.
constexpr auto kMotionInterval = std::chrono::milliseconds(250);

}  // namespace

Event eventFromRawKey(uint32_t x11Keycode, uint32_t x11State) {
  Event event;
  event.type = kEventKeyDown;
  event.modifierFlags = modifiersFromX11State(x11State);
  if (x11Keycode > 8) {
    if (const auto key = keyForEvdev(x11Keycode - 8)) {
      event.keyCode = key->keyCode;
      event.hasKeyCode = true;
      event.modifierFlags |= key->ownModifiers;
    }
  }
  return event;
}

bool XInputGlobalEvents::start(std::function<void(const Event&)> deliver) {
  Display* display = session::openX11Display();
  if (display == nullptr) return false;
  int opcode = 0, firstEvent = 0, firstError = 0;
  int major = 2, minor = 2;  // raw events reach the root window from XInput 2.1 on
  if (!XQueryExtension(display, "XInputExtension", &opcode, &firstEvent, &firstError) ||
      XIQueryVersion(display, &major, &minor) != Success) {
    XCloseDisplay(display);
    return false;
  }
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(bits, XI_RawKeyPress);
  XISetMask(bits, XI_RawKeyRelease);
  XISetMask(bits, XI_RawMotion);
  XISetMask(bits, XI_RawButtonPress);
  XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
  XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
  XFlush(display);
  std::thread([display, opcode, deliver = std::move(deliver)] {
    ModifierKeys held;
    std::chrono::steady_clock::time_point lastMotion;
    for (;;) {
      XEvent event;
      XNextEvent(display, &event);
      XGenericEventCookie* cookie = &event.xcookie;
      if (cookie->type != GenericEvent || cookie->extension != opcode ||
          !XGetEventData(display, cookie)) {
        continue;
      }
      const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
      Event delivered;
      bool known = true;
      switch (cookie->evtype) {
        case XI_RawKeyPress:
        case XI_RawKeyRelease: {
          const auto keycode = static_cast<uint32_t>(raw->detail);
          known = !held.update(keycode, cookie->evtype == XI_RawKeyPress) &&
                  cookie->evtype == XI_RawKeyPress && !focusIsOurs(display);
          // Raw events carry no modifier state: the held modifier keys are
          // followed here (the keyboard's state may already have moved on);
          // Caps Lock is a locked state, read from the keyboard.
          XkbStateRec state{};
          XkbGetState(display, XkbUseCoreKbd, &state);
          delivered = eventFromRawKey(keycode, held.state() | (state.locked_mods & LockMask));
          break;
        }
        case XI_RawMotion: {
          const auto now = std::chrono::steady_clock::now();
          known = now - lastMotion >= kMotionInterval && !pointerIsOurs(display);
          if (known) lastMotion = now;
          delivered.type = kEventMouseMoved;
          break;
        }
        case XI_RawButtonPress:
          known = raw->detail >= 4 && raw->detail <= 7 && !pointerIsOurs(display);
          delivered.type = kEventScrollWheel;
          break;
        default:
          known = false;
      }
      XFreeEventData(display, cookie);
      if (known) deliver(delivered);
    }
  }).detach();
  return true;
}

}  // namespace platform::input
