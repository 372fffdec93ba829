#include "app/feedback_notifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

#include "platform/session/trusted_peer.h"

namespace {

// Long enough to read, short enough not to stay on the panel.
constexpr int kShownMs = 2000;

}  // namespace

void FeedbackNotifications::tell(const std::string& text) {
  if (!on_) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  QString why;
  const std::optional<QString> server =
      platform::session::trustedOwner(bus, "org.freedesktop.Notifications", why);
  if (!server) return;
  QDBusMessage notify = QDBusMessage::createMethodCall(*server, "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
  const QVariantMap hints{
      {"transient", true}, {"suppress-sound", true}, {"urgency", QVariant::fromValue<uchar>(0)}};
  notify << QString(programName_) << lastId_ << QString() << QString::fromStdString(text)
         << QString() << QStringList() << hints << kShownMs;
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(notify));
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                   [this](QDBusPendingCallWatcher* call) {
                     const QDBusPendingReply<uint> reply = *call;
                     if (reply.isValid()) lastId_ = reply.value();
                     call->deleteLater();
                   });
}
