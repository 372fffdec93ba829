#include "app/running_instance.h"

#include <unistd.h>

#include <QDBusArgument>
#include <QDBusVariant>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/command_messages.h"
#include "app/control_names.h"

namespace {

// The running instance answers at once; one that does not within this is
// stalled, unless it is still in its launch, whose wait holds its main thread
// for 5 s (and the first paint up to 1 s more) after it took its bus name.
constexpr int kCallTimeoutMs = 1000;
constexpr double kLaunchSeconds = 8;
constexpr const char* kProbeConnection = "quillmark-command-line";

// The unique name of the well-known name's owner, "" when it has none, asked
// with the same bound as every call. Everything after is asked of and sent
// to that connection: the well-known name may pass to another owner between
// two calls, and a check made of one owner must hold for the one called.
QString nameOwner(QDBusConnection& bus, const QString& name) {
  QDBusMessage message = QDBusMessage::createMethodCall(
      "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetNameOwner");
  message << name;
  const QDBusMessage reply = bus.call(message, QDBus::Block, kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) return {};
  const QString owner = reply.arguments()[0].toString();
  return owner.startsWith(':') ? owner : QString();
}

// What the bus daemon itself knows of a connection ("GetConnectionUnixUser",
// "GetConnectionUnixProcessID"); the connection is not asked.
std::optional<uint> ownerCredential(QDBusConnection& bus, const char* method,
                                    const QString& owner) {
  QDBusMessage message = QDBusMessage::createMethodCall(
      "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method);
  message << owner;
  const QDBusMessage reply = bus.call(message, QDBus::Block, kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
    return std::nullopt;
  }
  return reply.arguments()[0].toUInt();
}

// Seconds since the process started, from /proc; nullopt when unknown.
std::optional<double> secondsSinceStart(uint pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::ifstream uptime("/proc/uptime");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  double now = 0;
  const size_t nameEnd = text.rfind(')');
  if (nameEnd == std::string::npos || !(uptime >> now)) return std::nullopt;
  // After the name: state, then fields 4 to 21; the 22nd is the start time.
  std::istringstream fields(text.substr(nameEnd + 1));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
    if (i == 22) return now - std::strtod(field.c_str(), nullptr) / double(sysconf(_SC_CLK_TCK));
  }
  return std::nullopt;
}

}  // namespace

RunningInstance::RunningInstance(const base::ModelProfile& model, QDBusConnection bus,
                                 const QString& owner)
    : model_(model), bus_(bus), owner_(owner), timeoutMs_(kCallTimeoutMs) {
  // An instance in its launch is waited for until the launch is over.
  const auto pid = ownerCredential(bus_, "GetConnectionUnixProcessID", owner_);
  const auto age = pid ? secondsSinceStart(*pid) : std::nullopt;
  if (age && *age >= 0 && *age < kLaunchSeconds) {
    timeoutMs_ += int((kLaunchSeconds - *age) * 1000);
  }
}

std::optional<QDBusMessage> RunningInstance::call(const QString& interface, const QString& method,
                                                  const QVariantList& arguments, QString& error) {
  QDBusMessage message =
      QDBusMessage::createMethodCall(owner_, kControlObjectPath, interface, method);
  message.setArguments(arguments);
  const QDBusMessage reply = bus_.call(message, QDBus::Block, timeoutMs_);
  if (reply.type() == QDBusMessage::ReplyMessage) return reply;
  if (reply.errorName() == "org.freedesktop.DBus.Error.NoReply" ||
      reply.errorName() == "org.freedesktop.DBus.Error.Timeout") {
    error = QString("%1 runs but does not answer").arg(model_.programName);
  } else {
    error = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
  }
  return std::nullopt;
}

std::optional<QVariantMap> RunningInstance::readProperties(QString& error) {
  const auto reply =
      call("org.freedesktop.DBus.Properties", "GetAll", {QString(kControlInterface)}, error);
  if (!reply || reply->arguments().size() != 1) return std::nullopt;
  return qdbus_cast<QVariantMap>(reply->arguments()[0]);
}

QVariantMap RunningInstance::properties() {
  QString error;
  const auto values = readProperties(error);
  if (!values) endCommand(model_, "cannot read the running instance's state: " + error, 1);
  return *values;
}

bool withRunningInstance(const base::ModelProfile& model, bool foreignIsNone,
                         const std::function<void(RunningInstance&)>& use) {
  bool running = false;
  {
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, kProbeConnection);
    const QString owner = bus.isConnected() ? nameOwner(bus, controlServiceName(model)) : "";
    running = !owner.isEmpty();
    // A bus that lets other users connect may hold the name for an impostor:
    // only this user's own instance is told anything or believed.
    const auto user = running ? ownerCredential(bus, "GetConnectionUnixUser", owner) : std::nullopt;
    if (running && user != geteuid() && foreignIsNone) {
      running = false;
    } else if (running && user != geteuid()) {
      endCommand(model,
                 QString("%1 on this session bus belongs to %2, not to you: it is not trusted")
                     .arg(controlServiceName(model),
                          user ? QString("user %1").arg(*user) : QString("an unknown user")),
                 1);
    }
    if (running) {
      RunningInstance instance(model, bus, owner);
      use(instance);
    }
  }
  QDBusConnection::disconnectFromBus(kProbeConnection);
  return running;
}

std::optional<QVariantMap> runningInstanceState(const base::ModelProfile& model, QString& error) {
  std::optional<QVariantMap> state;
  withRunningInstance(model, true, [&](RunningInstance& instance) {
    state = instance.readProperties(error).value_or(QVariantMap{});
  });
  return state;
}
