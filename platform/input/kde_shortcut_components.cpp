#include "platform/input/kde_shortcut_components.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QList>
#include <algorithm>

namespace platform::input {

namespace {

constexpr int kCallTimeoutMs = 1000;

QDBusMessage callKglobalaccel(const QString& path, const QString& interface,
                              const QString& method) {
  QDBusMessage call =
      QDBusMessage::createMethodCall("org.kde.kglobalaccel", path, interface, method);
  call.setAutoStartService(false);
  return QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
}

// kglobalaccel's object path for a component: its name with every character
// that a D-Bus path cannot hold made '_'.
QString componentPath(const QString& component) {
  QString path = "/component/";
  for (const QChar c : component) {
    path += (c.isLetterOrNumber() && c.unicode() < 128) || c == '_' ? c : QChar('_');
  }
  return path;
}

}  // namespace

bool kdeShortcutComponentExists(const QString& component) {
  const QDBusMessage reply =
      callKglobalaccel("/kglobalaccel", "org.kde.KGlobalAccel", "allComponents");
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
  QList<QDBusObjectPath> paths;
  reply.arguments().first().value<QDBusArgument>() >> paths;
  const QString wanted = componentPath(component);
  return std::any_of(paths.begin(), paths.end(),
                     [&](const QDBusObjectPath& path) { return path.path() == wanted; });
}

bool removeKdeShortcutComponent(const QString& component) {
  if (!kdeShortcutComponentExists(component)) return false;
  const QDBusMessage reply =
      callKglobalaccel(componentPath(component), "org.kde.kglobalaccel.Component", "cleanUp");
  return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace platform::input
