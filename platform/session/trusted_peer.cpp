#include "platform/session/trusted_peer.h"

#include <unistd.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace platform::session {
namespace {

constexpr int kAskDeadlineMs = 1000;

QDBusMessage askBus(QDBusConnection& bus, const char* method, const QString& argument) {
  QDBusMessage message = QDBusMessage::createMethodCall(
      "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method);
  message << argument;
  return bus.call(message, QDBus::Block, kAskDeadlineMs);
}

}  // namespace

std::optional<QString> trustedOwner(QDBusConnection bus, const QString& name, QString& why) {
  const QDBusMessage owner = askBus(bus, "GetNameOwner", name);
  if (owner.type() != QDBusMessage::ReplyMessage || owner.arguments().size() != 1 ||
      !owner.arguments()[0].toString().startsWith(':')) {
    why = name + " is not on the session bus";
    return std::nullopt;
  }
  const QString unique = owner.arguments()[0].toString();
  const QDBusMessage user = askBus(bus, "GetConnectionUnixUser", unique);
  if (user.type() != QDBusMessage::ReplyMessage || user.arguments().size() != 1) {
    why = name + "'s user is not known";
    return std::nullopt;
  }
  const uint uid = user.arguments()[0].toUInt();
  if (uid != geteuid() && uid != 0) {
    why = QString("%1 belongs to user %2, not to you: it is not used").arg(name).arg(uid);
    return std::nullopt;
  }
  return unique;
}

}  // namespace platform::session
