#include "platform/input/kde_shortcut_components.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QList>
#include <algorithm>
#include <optional>

#include "platform/session/trusted_peer.h"

namespace platform::input {

namespace {

constexpr int kCallTimeoutMs = 1000;

// To the name's owner of the moment, and only one of the user's or root's: a
// shared bus may let another user hold the name and answer as kglobalaccel.
QDBusMessage callKglobalaccel(const QString& path, const QString& interface,
                              const QString& method) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  QString why;
  const std::optional<QString> owner = session::trustedOwner(bus, "org.kde.kglobalaccel", why);
  if (!owner) return QDBusMessage::createError("org.freedesktop.DBus.Error.ServiceUnknown", why);
  QDBusMessage call = QDBusMessage::createMethodCall(*owner, path, interface, method);
  call.setAutoStartService(false);
  return bus.call(call, QDBus::Block, kCallTimeoutMs);
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
