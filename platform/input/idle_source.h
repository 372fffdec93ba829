#pragma once
// The session's own idle source, where X11 input events cannot see the
// whole session (a Wayland session: Xwayland only sees input aimed at X11
// windows). It reports on the main thread, about once a second while the
// user is active anywhere in the session.

#include <functional>
#include <memory>
#include <string>

#include "platform/session/session_type.h"

namespace platform::input {

class IdleSource {
 public:
  virtual ~IdleSource() = default;
  // False when the source is not there.
  virtual bool start(std::function<void()> onActivity) = 0;
  // For the log and --diagnose ("org.gnome.Mutter.IdleMonitor" ...).
  virtual std::string name() const = 0;
};

// The first source the session offers: GNOME's IdleMonitor, then the Wayland
// idle protocols (ext_idle_notifier_v1, org_kde_kwin_idle). nullptr when
// there is none; the caller then leaves idle screen save off.
std::unique_ptr<IdleSource> startIdleSource(const session::SessionType& session,
                                            std::function<void()> onActivity);

}  // namespace platform::input
