#pragma once
// What this desktop session lets the program do, found by app/ at start and
// read by the worker, the actions and the windows.

#include <atomic>

struct SessionCapabilities {
  // False where the session gives no idle time (a Wayland session without an
  // idle source): screen save is then never started by idle time, since the
  // user may be working where this program cannot see.
  std::atomic<bool> idleTimeKnown{true};
  // False in a session whose compositor keeps display modes to itself
  // (Wayland: Xwayland's outputs carry no EDID and are not the monitor).
  std::atomic<bool> displayModesChangeable{true};
  // True in a Wayland session whose desktop did not take the hotkeys as
  // global shortcuts: they act only in the program's own window.
  std::atomic<bool> globalHotkeysUnavailable{false};
};

const SessionCapabilities& sessionCapabilities();
// Once, at start, from what the session offers.
void setSessionCapabilities(bool idleTimeKnown, bool displayModesChangeable);
// The desktop's answer, which may come later: whether it took the hotkeys as
// global shortcuts.
void setGlobalHotkeysCarried(bool carried);
// Back to what a session that allows everything has (tests).
void resetSessionCapabilities();
