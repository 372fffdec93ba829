#pragma once
// The program's control object on the session bus (com.talvex.QuillmarkControl
// at /com/talvex/QuillmarkControl): methods that act as the hotkeys and the
// main panel do, properties of the monitor's state with PropertiesChanged.
// Owning the bus name is what makes this instance the only one.

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <functional>

#include "base/model_profile.h"
#include "core/monitor_actions.h"
#include "platform/input/focus_source.h"

class FocusFollower;
class MainWindow;
struct MonitorState;

class ControlService : public QObject {
 public:
  ControlService(const base::ModelProfile& model, MainWindow& window);

  // Takes the program's bus name and exports the object; false when another
  // instance has the name.
  bool registerOn(QDBusConnection bus);

  const base::ModelProfile& model() const { return model_; }
  MainWindow& mainWindow() const { return window_; }
  QDBusConnection bus() const { return bus_; }
  // What carries the hotkeys, published as the Hotkeys property.
  void setHotkeyPath(std::function<QString()> path) { hotkeyPath_ = std::move(path); }
  QString hotkeyPath() const { return hotkeyPath_ ? hotkeyPath_() : QString(); }
  // What carries the modes by application; nullptr before it starts.
  void setFocusFollower(FocusFollower* follower) { focusFollower_ = follower; }
  FocusFollower* focusFollower() const { return focusFollower_; }
  // Where a script in the compositor reports the focus; no service when
  // this run has no D-Bus object.
  platform::input::FocusReportTarget focusReportTarget() const;
  // What ShowModesByApplication opens.
  void setModesByApplication(std::function<void()> open) {
    openModesByApplication_ = std::move(open);
  }
  void openModesByApplication() const {
    if (openModesByApplication_) openModesByApplication_();
  }

 private:
  void announceChanges(const MonitorState& before, const MonitorState& now);

  const base::ModelProfile& model_;
  MainWindow& window_;
  QDBusConnection bus_{QString()};
  std::function<QString()> hotkeyPath_;
  FocusFollower* focusFollower_ = nullptr;
  std::function<void()> openModesByApplication_;
};

// The interface itself: Qt's adaptor carries its methods, its properties and
// org.freedesktop.DBus.Properties.
class ControlAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "com.talvex.QuillmarkControl")
  Q_PROPERTY(bool Online READ online)
  Q_PROPERTY(uint ShowMode READ showMode)
  Q_PROPERTY(uint Threshold READ threshold)
  Q_PROPERTY(int ThresholdOnMonitor READ thresholdOnMonitor)
  Q_PROPERTY(uint ResCommMode READ resCommMode)
  Q_PROPERTY(QString LinkLost READ linkLost)
  Q_PROPERTY(QString Model READ modelName)
  Q_PROPERTY(QString Hotkeys READ hotkeys)
  Q_PROPERTY(QString FocusedApplication READ focusedApplication)
  Q_PROPERTY(QString ModeChosenBy READ modeChosenBy)
  Q_PROPERTY(QString FocusSource READ focusSource)
  Q_PROPERTY(QStringList Rules READ rules)

 public:
  explicit ControlAdaptor(ControlService& service);

  bool online() const;
  uint showMode() const;
  uint threshold() const;
  QString linkLost() const;
  int thresholdOnMonitor() const;
  uint resCommMode() const;
  QString modelName() const;
  QString hotkeys() const;
  QString focusedApplication() const;
  // "rule" while an application's rule shows its mode, else "user".
  QString modeChosenBy() const;
  QString focusSource() const;
  // "application=A2" for each rule, in the file's order.
  QStringList rules() const;

 public slots:
  void ContrastUp(const QDBusMessage& message);
  void ContrastDown(const QDBusMessage& message);
  void Refresh(const QDBusMessage& message);
  // The hotkey "contrast-up", "contrast-down" or "refresh" as if pressed.
  void PressHotkey(const QString& id, const QDBusMessage& message);
  void SetShowMode(uint mode, const QDBusMessage& message);
  void SetResolutionMode(uint mode, const QDBusMessage& message);
  // The application's rule: "A5" (or "floyd"), "A2", "A16", or "none" to remove it.
  void SetRule(const QString& application, const QString& mode, const QDBusMessage& message);
  // What a script in the compositor reports: the focused window's app id
  // (desktop file name), X11 class and pid (as text).
  void ReportFocus(const QString& appId, const QString& windowClass, const QString& pid,
                   const QDBusMessage& message);
  void ShowWindow(const QDBusMessage& message);
  // The "Modes by application" window.
  void ShowModesByApplication(const QDBusMessage& message);
  void Quit(const QDBusMessage& message);

 private:
  // True for a caller that runs as this program's user; any other is
  // answered AccessDenied (a session bus may let other users connect).
  bool fromOwnUser(const QDBusMessage& message);
  // Answers an action's call with the error its result calls for, if any;
  // why is what the arguments must be, or why the desktop refused.
  void answer(ActionResult result, const QDBusMessage& message, const QString& why);

  ControlService& service_;
};
