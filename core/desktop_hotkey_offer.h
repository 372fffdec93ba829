#pragma once
// The offer Settings makes where a desktop keeps keys to itself: on GNOME,
// to hand the hotkeys to the desktop (GNOME's own custom shortcuts, or
// GNOME's dialog through the portal) or to take them back; on sway, the lines
// for its configuration. Set once by the program at start on such a desktop;
// empty everywhere else.

#include <functional>
#include <string>

struct DesktopHotkeyOffer {
  // Whether the desktop holds the hotkeys now.
  std::function<bool()> held;
  // Hands them over (true) or takes them back (false); false, with the
  // reason in why, where the desktop says no.
  std::function<bool(bool on, std::string& why)> set;
  // GNOME's custom shortcuts can be taken back; what the portal bound is the
  // user's to change in GNOME's Settings.
  bool takesBack = true;
  // Where the desktop binds keys in its own configuration (sway): the lines
  // to paste there for the hotkeys as set.
  std::function<std::string()> configurationLines;

  bool offered() const { return static_cast<bool>(set); }
};

inline DesktopHotkeyOffer& desktopHotkeyOffer() {
  static DesktopHotkeyOffer offer;
  return offer;
}
