#pragma once
// The focused application on GNOME's Wayland session (GNOME 43 and later):
// the package's Shell extension calls the program's D-Bus object
// (ReportFocus) whenever the focus moves. GNOME runs an extension only once
// the user has enabled it, and finds a newly installed one only after the
// next log-in: the source asks the Shell which state its extension is in,
// says what the user can do, and can enable it when asked to. Reports are
// taken from the Shell it found, by its unique name, and from no one else;
// so is its word that the extension was turned on or off later.

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include "platform/input/focus_source.h"

namespace platform::input {

class GnomeShellFocus : public QObject, public FocusSource {
  Q_OBJECT

 public:
  // False with why when no Shell of this user's (or root's) is on the bus.
  bool start(std::string& why);
  std::string name() const override;
  bool acceptsReportFrom(const QString& sender) const override { return sender == shell_; }
  std::string problem() const override { return problem_; }
  bool canBeEnabled() const override { return enableable_; }
  bool enable(std::string& why) override;

  // The extension for the Shell's version: the module style of 45 and later,
  // or the older one of 43 and 44. Empty for a version it cannot read.
  static QString extensionFor(const QString& shellVersion);

 private slots:
  // The Shell's word that an extension's state changed (the user turned it
  // on or off in the Extensions app), from the Shell found at the start only.
  void extensionStateChanged(const QString& uuid, const QVariantMap& info);

 protected:
  void followChanges() override;

 private:
  void readExtensionState();
  void takeState(const QVariantMap& info);

  QDBusConnection bus_{QString()};
  QString shell_;
  QString uuid_;
  std::string problem_;
  bool enableable_ = false;
};

}  // namespace platform::input
