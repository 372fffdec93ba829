#pragma once
// The program's control object on the session bus (com.talvex.QuillmarkControl
// at /com/talvex/QuillmarkControl): methods that act as the hotkeys and the
// main panel do, properties of the monitor's state with PropertiesChanged.
// Owning the bus name is what makes this instance the only one.

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QTimer>
#include <QVariantMap>

#include "link/model_profile.h"

class AppDelegate;
class MainWindow;

class ControlService : public QDBusVirtualObject {
 public:
  ControlService(const ModelProfile& model, MainWindow& window, AppDelegate& delegate);

  // Takes the program's bus name and exports the object; false when another
  // instance has the name.
  bool registerOn(QDBusConnection bus);

  QString introspect(const QString& path) const override;
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

 private:
  QVariantMap properties() const;
  void announceChanges();
  // Checks a single uint argument; on success value holds it.
  static bool uintArgument(const QDBusMessage& message, uint& value);
  QDBusMessage setShowMode(const QDBusMessage& message);
  QDBusMessage setResolutionMode(const QDBusMessage& message);

  const ModelProfile& model_;
  MainWindow& window_;
  AppDelegate& delegate_;
  QDBusConnection bus_{QString()};
  QVariantMap announced_;
  QTimer watch_;
};
