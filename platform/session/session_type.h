#pragma once
// Which desktop session the program runs in. WAYLAND_DISPLAY marks a Wayland
// session whatever DISPLAY says (Xwayland sets DISPLAY too).

#include <string>

namespace platform::session {

struct SessionType {
  bool wayland = false;
  bool x11 = false;
  std::string desktop;  // XDG_CURRENT_DESKTOP, "" when unset

  bool isGnome() const;
  bool isKde() const;
  // "Wayland session (GNOME)", "X11 session (KDE)", "no graphical session".
  std::string describe() const;
};

SessionType detectSession();

}  // namespace platform::session
