#pragma once
// Where the program learns which application has the focus: one source per
// session, each driven by the desktop's own events (never polled). X11: the
// root window's _NET_ACTIVE_WINDOW; sway and other i3-IPC compositors: the
// IPC socket's window events; KDE Plasma on Wayland: a KWin script, and GNOME
// on Wayland: the package's Shell extension, both calling the program's D-Bus
// object (ReportFocus), which hands the reports on. Reports come on the main
// thread.

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "platform/focused_window.h"
#include "platform/session/session_type.h"

namespace platform::input {

using FocusReport = std::function<void(const FocusedWindow&)>;

class FocusSource {
 public:
  virtual ~FocusSource() = default;
  // For the log, --diagnose and --status ("X11 _NET_ACTIVE_WINDOW" ...).
  virtual std::string name() const = 0;
  // name(), or "none: " and the problem while there is one.
  std::string describe() const { return problem().empty() ? name() : "none: " + problem(); }
  // Where the source is a script in the compositor, it reports through the
  // program's own D-Bus object (ReportFocus) rather than to the report
  // callback: true for the compositor's connection it was loaded into, whose
  // unique name was resolved when it started, and for no other caller.
  virtual bool acceptsReportFrom(const QString& /*sender*/) const { return false; }
  // Why the source cannot report yet (the desktop's part is not running),
  // empty when it can.
  virtual std::string problem() const { return {}; }
  // The desktop's part can be turned on from the program, with the user's word.
  virtual bool canBeEnabled() const { return false; }
  virtual bool enable(std::string& why) {
    why = "nothing to turn on";
    return false;
  }
  // Told when the desktop's part starts or stops running after the start
  // (the user turned GNOME's extension on or off elsewhere). Only a source
  // that is told anyone listens for it: a one-shot report does not.
  void setChangeListener(std::function<void()> listener) {
    changed_ = std::move(listener);
    followChanges();
  }

 protected:
  virtual void followChanges() {}
  void changed() const {
    if (changed_) changed_();
  }

 private:
  std::function<void()> changed_;
};

// Where a script running in the compositor reports to: the program's own
// D-Bus object (empty service: the program has none in this run).
struct FocusReportTarget {
  QString service, path, interface;
};

// The session's source, or nullptr with why there is none in why.
std::unique_ptr<FocusSource> startFocusSource(const session::SessionType& session,
                                              FocusReport report, const FocusReportTarget& target,
                                              std::string& why);

}  // namespace platform::input
