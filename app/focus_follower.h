#pragma once
// The monitor follows the task in this session: the session's focus source
// feeds core's follower, the rules come from the user's rules file (read
// again whenever it changes, by hand or by --mode-for), and the focused
// application's mode is shown again when the monitor comes back online. The
// same file says whether feedback goes to desktop notifications.

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <set>

#include "app/feedback_notifications.h"
#include "core/mode_table.h"
#include "platform/input/focus_source.h"

class FocusFollower : public QObject {
 public:
  explicit FocusFollower(const char* programName) : notifications_(programName) {}
  ~FocusFollower() override;
  // Starts the source and reads the rules: after the Parameters are loaded,
  // so that the user's own mode is known before a rule replaces it.
  void start(const platform::session::SessionType& session,
             const platform::input::FocusReportTarget& target);

  // A report of a script in the compositor (through the program's D-Bus
  // object): taken only from the compositor this session's source loaded it
  // into, by its unique name.
  void reportedByScript(const platform::FocusedWindow& window, const QString& sender);

  // Told whenever a window of another application (not the program's own)
  // takes the focus.
  void setFocusListener(std::function<void(const QString& application)> listener) {
    focusListener_ = std::move(listener);
  }

  // Told when the rules change (the file edited by hand, or by --mode-for)
  // or the desktop's part of the source starts or stops running.
  void setStateListener(std::function<void()> listener) { stateListener_ = std::move(listener); }

  // "X11 _NET_ACTIVE_WINDOW", or "none: why" (also while the desktop's part
  // of the source has not reported yet).
  QString source() const;
  // Why the rules cannot follow the focus now: empty where they can, and
  // where there are none.
  std::string problemForRules() const;
  // The desktop's part of the source can be turned on from here (GNOME's
  // extension), and turning it on; false with why.
  bool sourceCanBeEnabled() const { return focus_ != nullptr && focus_->canBeEnabled(); }
  bool enableSource(QString& why);
  // Sets or (nullopt) removes an application's rule in the file; false with why.
  bool setRule(const QString& application, std::optional<ModeButton> button, QString& why);

 private:
  // Why the focus cannot be followed now, empty where it can.
  std::string problem() const;
  void logSource() const;
  void readRules();
  void watchRulesFile();
  void watchRulesPaths();
  void focusMoved(const platform::FocusedWindow& window);

  std::unique_ptr<platform::input::FocusSource> focus_;
  std::string why_ = "not started";
  bool reported_ = false;
  std::function<void(const QString&)> focusListener_;
  std::function<void()> stateListener_;
  QFileSystemWatcher watcher_;
  // Problems already named in the log: a file read again names only new ones.
  std::set<std::string> named_;
  FeedbackNotifications notifications_;
};
