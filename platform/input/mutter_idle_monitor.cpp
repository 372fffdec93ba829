#include "platform/input/mutter_idle_monitor.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include "platform/session/trusted_peer.h"

namespace platform::input {
namespace {

constexpr const char* kService = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr int kPollMs = 1000;
constexpr int kCallTimeoutMs = 900;

QDBusMessage idleTimeCall(const QString& owner) {
  return QDBusMessage::createMethodCall(owner, kPath, kService, "GetIdletime");
}

}  // namespace

bool MutterIdleMonitor::start(std::function<void()> onActivity) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  QString why;
  const std::optional<QString> owner =
      bus.isConnected() ? session::trustedOwner(bus, kService, why) : std::nullopt;
  if (!owner) return false;
  owner_ = *owner;
  const QDBusMessage reply = bus.call(idleTimeCall(owner_), QDBus::Block, kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) return false;
  lastIdleMs_ = reply.arguments()[0].toULongLong();
  onActivity_ = std::move(onActivity);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
  timer_.start(kPollMs);
  return true;
}

void MutterIdleMonitor::poll() {
  if (waiting_) return;  // a slow answer is not asked for twice
  waiting_ = true;
  auto* watcher = new QDBusPendingCallWatcher(
      QDBusConnection::sessionBus().asyncCall(idleTimeCall(owner_), kCallTimeoutMs), this);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this,
                   [this](QDBusPendingCallWatcher* call) {
                     waiting_ = false;
                     call->deleteLater();
                     const QDBusPendingReply<quint64> reply = *call;
                     if (reply.isError()) return;
                     const quint64 idleMs = reply.value();
                     // Input since the last look: the idle time started again.
                     if (idleMs < lastIdleMs_ || idleMs < kPollMs) onActivity_();
                     lastIdleMs_ = idleMs;
                   });
}

}  // namespace platform::input
