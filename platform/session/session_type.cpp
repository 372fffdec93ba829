#include "platform/session/session_type.h"

#include <cstdlib>

namespace platform::session {
namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// XDG_CURRENT_DESKTOP is a colon-separated list ("ubuntu:GNOME").
bool listsDesktop(const std::string& list, const std::string& name) {
  size_t start = 0;
  while (start <= list.size()) {
    const size_t end = list.find(':', start);
    if (list.substr(start, end == std::string::npos ? std::string::npos : end - start) == name) {
      return true;
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

}  // namespace

bool SessionType::isGnome() const {
  return listsDesktop(desktop, "GNOME");
}

bool SessionType::isKde() const {
  return listsDesktop(desktop, "KDE");
}

std::string SessionType::describe() const {
  const std::string kind = wayland ? "Wayland session" : x11 ? "X11 session" : "";
  if (kind.empty()) return "no graphical session";
  return kind + " (" + (desktop.empty() ? "desktop unknown" : desktop) + ")";
}

SessionType detectSession() {
  SessionType session;
  session.wayland = !environment("WAYLAND_DISPLAY").empty();
  session.x11 = !session.wayland && !environment("DISPLAY").empty();
  session.desktop = environment("XDG_CURRENT_DESKTOP");
  return session;
}

}  // namespace platform::session
