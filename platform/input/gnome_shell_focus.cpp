#include "platform/input/gnome_shell_focus.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariantMap>

#include "platform/session/trusted_peer.h"

namespace platform::input {
namespace {

constexpr int kCallDeadlineMs = 2000;
constexpr int kFirstVersion = 43;
constexpr int kFirstModuleVersion = 45;
constexpr const char* kShellPath = "/org/gnome/Shell";
constexpr const char* kExtensions = "org.gnome.Shell.Extensions";
// The Shell's extension states (ENABLED before GNOME 45, ACTIVE since).
constexpr int kRunning = 1;
constexpr int kFailed = 3;
constexpr int kOutOfDate = 4;

}  // namespace

QString GnomeShellFocus::extensionFor(const QString& shellVersion) {
  bool number = false;
  const int major = shellVersion.section('.', 0, 0).toInt(&number);
  if (!number || major < kFirstVersion) return {};
  return major >= kFirstModuleVersion ? "quillmark-focus@talvex.com"
                                      : "quillmark-focus-legacy@talvex.com";
}

std::string GnomeShellFocus::name() const {
  return "GNOME Shell's extension " + uuid_.toStdString();
}

bool GnomeShellFocus::start(std::string& why) {
  bus_ = QDBusConnection::sessionBus();
  QString problem;
  const std::optional<QString> shell = session::trustedOwner(bus_, "org.gnome.Shell", problem);
  if (!shell) {
    why = problem.toStdString();
    return false;
  }
  QDBusMessage ask =
      QDBusMessage::createMethodCall(*shell, kShellPath, "org.freedesktop.DBus.Properties", "Get");
  ask << kExtensions << "ShellVersion";
  const QDBusMessage reply = bus_.call(ask, QDBus::Block, kCallDeadlineMs);
  const QString version =
      reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1
          ? reply.arguments()[0].value<QDBusVariant>().variant().toString().left(32)
          : QString();
  uuid_ = extensionFor(version);
  if (uuid_.isEmpty()) {
    why = "GNOME Shell " +
          (version.isEmpty() ? std::string("(its version unknown)") : version.toStdString()) +
          " runs none of the program's extensions, which are made for GNOME 43 and later";
    return false;
  }
  shell_ = *shell;
  readExtensionState();
  return true;
}

void GnomeShellFocus::followChanges() {
  bus_.connect(shell_, kShellPath, kExtensions, "ExtensionStateChanged", this,
               SLOT(extensionStateChanged(QString, QVariantMap)));
  // A change between the first reading and the subscription would be lost.
  const std::string before = problem_;
  readExtensionState();
  if (problem_ != before) changed();
}

void GnomeShellFocus::extensionStateChanged(const QString& uuid, const QVariantMap& info) {
  if (uuid != uuid_) return;
  const std::string before = problem_;
  takeState(info);
  if (problem_ != before) changed();
}

void GnomeShellFocus::readExtensionState() {
  QDBusMessage ask =
      QDBusMessage::createMethodCall(shell_, kShellPath, kExtensions, "GetExtensionInfo");
  ask << uuid_;
  const QDBusMessage reply = bus_.call(ask, QDBus::Block, kCallDeadlineMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1 ||
      !reply.arguments()[0].canConvert<QDBusArgument>()) {
    enableable_ = false;
    problem_ = "GNOME Shell does not say how its extension " + uuid_.toStdString() +
               " is: " + reply.errorMessage().left(200).toStdString();
    return;
  }
  takeState(qdbus_cast<QVariantMap>(reply.arguments()[0].value<QDBusArgument>()));
}

void GnomeShellFocus::takeState(const QVariantMap& info) {
  const std::string extension = name();
  enableable_ = false;
  if (info.isEmpty()) {
    problem_ = "GNOME Shell has not found its extension " + uuid_.toStdString() +
               ": it finds a newly installed one after the next log-in";
    return;
  }
  switch (info.value("state").toInt()) {
    case kRunning:
      problem_.clear();
      return;
    case kFailed:
      problem_ = extension + " failed: " + info.value("error").toString().left(200).toStdString();
      return;
    case kOutOfDate:
      problem_ = extension + " is not made for this version of GNOME";
      return;
    default:
      problem_ = extension + " is not enabled (gnome-extensions enable " + uuid_.toStdString() +
                 ", or the Extensions app)";
      enableable_ = true;
  }
}

bool GnomeShellFocus::enable(std::string& why) {
  if (!enableable_) {
    why = problem_.empty() ? "the extension runs already" : problem_;
    return false;
  }
  QDBusMessage ask =
      QDBusMessage::createMethodCall(shell_, kShellPath, kExtensions, "EnableExtension");
  ask << uuid_;
  const QDBusMessage reply = bus_.call(ask, QDBus::Block, kCallDeadlineMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1 ||
      !reply.arguments()[0].toBool()) {
    why = "GNOME Shell did not enable its extension " + uuid_.toStdString() + ": " +
          (reply.type() == QDBusMessage::ErrorMessage ? reply.errorMessage().left(200).toStdString()
                                                      : std::string("it said no"));
    return false;
  }
  // The Shell starts it after the call returns; its first report says it runs.
  enableable_ = false;
  problem_ = "GNOME Shell's extension " + uuid_.toStdString() +
             " is enabled, and has not "
             "reported yet (extensions may be turned off as a whole in the Extensions app)";
  return true;
}

}  // namespace platform::input
