#pragma once
// The focused application on KDE Plasma's Wayland session (KWin 5.27 and
// 6): a small KWin script, loaded through KWin's own Scripting object, that
// calls the program's D-Bus object whenever a window is activated
// (clientActivated in 5.x, windowActivated in 6). It is unloaded when the
// program ends. Only a KWin of this user's (or root's) is asked.

#include <QDBusConnection>
#include <QString>

#include "platform/input/focus_source.h"

namespace platform::input {

class KWinFocusScript : public FocusSource {
 public:
  ~KWinFocusScript() override;
  // False with why when KWin is not there, not this user's, or refuses the script.
  bool start(const FocusReportTarget& target, std::string& why);
  std::string name() const override { return "a KWin script"; }
  bool acceptsReportFrom(const QString& sender) const override { return sender == kwin_; }

 private:
  QDBusConnection bus_{QString()};
  QString kwin_;
  QString pluginName_;
  std::string scriptPath_;
};

}  // namespace platform::input
