#include "platform/modes/display_mode_owners.h"

namespace platform::modes {

const DisplayModeOwners::Owner* DisplayModeOwners::ownerFor(const session::SessionType& session) {
  // In the order they are asked: the X server owns the modes of an X11
  // session; in a Wayland one, GNOME's and KDE's own, then wlroots' tool.
  static const Owner owners[] = {
      {"XRandR", [](const session::SessionType& s) { return !s.wayland; },
       [](DisplayModeOwners& o) -> ScreenModes& { return o.xrandr_; }},
      {"org.gnome.Mutter.DisplayConfig",
       [](const session::SessionType&) { return MutterDisplayConfig::available(); },
       [](DisplayModeOwners& o) -> ScreenModes& { return o.mutter_; }},
      {"kscreen-doctor",
       [](const session::SessionType& s) { return s.isKde() && KScreenDoctor::available(); },
       [](DisplayModeOwners& o) -> ScreenModes& { return o.kscreen_; }},
      {"wlr-randr",
       [](const session::SessionType& s) {
         return !s.isGnome() && !s.isKde() && WlrRandr::available();
       },
       [](DisplayModeOwners& o) -> ScreenModes& { return o.wlroots_; }},
  };
  for (const Owner& owner : owners) {
    if (owner.available(session)) return &owner;
  }
  return nullptr;
}

ScreenModes* DisplayModeOwners::forSession(const session::SessionType& session) {
  const Owner* owner = ownerFor(session);
  return owner != nullptr ? &owner->tool(*this) : nullptr;
}

void DisplayModeOwners::outputsChanged() {
  kscreen_.outputsChanged();
  wlroots_.outputsChanged();
}

std::string DisplayModeOwners::describe(const session::SessionType& session) {
  if (!session.wayland && !session.x11) return "none (no graphical session)";
  if (const Owner* owner = ownerFor(session)) return owner->name;
  // Where the desktop's own tool would do, the user is told which to install.
  if (session.isKde()) {
    return "none: KDE's display tool kscreen-doctor is not installed (package libkscreen-bin; "
           "on Plasma 5 libkf5screen-bin)";
  }
  if (!session.isGnome()) {
    return "none: wlr-randr is not installed (package wlr-randr), or this desktop is not a "
           "wlroots one";
  }
  return "none (this session does not let the program change the resolution)";
}

}  // namespace platform::modes
