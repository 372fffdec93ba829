#pragma once
// Key presses, pointer motion and scrolling anywhere on the X display, from
// XInput2 raw events on a connection and thread of their own.

#include "platform/global_event_source.h"

namespace platform::input {

class XInputGlobalEvents : public GlobalEventSource {
 public:
  // False without an X server or XInput2 (Wayland): only the local monitor runs.
  bool start(std::function<void(const Event&)> deliver) override;
};

// The modifier keys held down, followed from raw key presses and releases.
class ModifierKeys {
 public:
  // True when the key is a modifier key (and its state was taken).
  bool update(uint32_t x11Keycode, bool pressed);
  // The held modifiers as an X11 state mask.
  uint32_t state() const;

 private:
  bool held_[8] = {};
};

// A raw key press as this program's event: the key position's code and the
// modifier word from the X keyboard state (with the key's own bits).
Event eventFromRawKey(uint32_t x11Keycode, uint32_t x11State);

}  // namespace platform::input
