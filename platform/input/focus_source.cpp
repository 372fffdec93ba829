#include "platform/input/focus_source.h"

#include <cstdlib>

#include "platform/input/gnome_shell_focus.h"
#include "platform/input/kwin_focus_script.h"
#include "platform/input/sway_focus.h"
#include "platform/input/x11_active_window.h"

namespace platform::input {

std::unique_ptr<FocusSource> startFocusSource(const session::SessionType& session,
                                              FocusReport report, const FocusReportTarget& target,
                                              std::string& why) {
  if (session.wayland && (session.isKde() || session.isGnome())) {
    const char* part = session.isKde() ? "KWin's script" : "GNOME Shell's extension";
    if (target.service.isEmpty()) {
      why = std::string(part) + " would report to the program's D-Bus object, which this run lacks";
      return nullptr;
    }
    if (session.isKde()) {
      auto kwin = std::make_unique<KWinFocusScript>();
      if (kwin->start(target, why)) return kwin;
      return nullptr;
    }
    auto shell = std::make_unique<GnomeShellFocus>();
    if (shell->start(why)) return shell;
    return nullptr;
  }
  if (session.wayland) {
    const char* swaySocket = std::getenv("SWAYSOCK");
    if (swaySocket != nullptr && swaySocket[0] == '/') {
      auto sway = std::make_unique<SwayFocus>();
      if (sway->start(swaySocket, report)) return sway;
      why = "sway's IPC socket (SWAYSOCK) does not answer as this user's";
      return nullptr;
    }
    why = "this Wayland desktop tells no program which window has the focus";
    return nullptr;
  }
  if (session.x11) {
    auto x11 = std::make_unique<X11ActiveWindow>();
    if (x11->start(report)) return x11;
    why = "the X11 window manager does not name the active window (_NET_ACTIVE_WINDOW)";
    return nullptr;
  }
  why = "no graphical session";
  return nullptr;
}

}  // namespace platform::input
