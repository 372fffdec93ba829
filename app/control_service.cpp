#include "app/control_service.h"

#include <QDBusMessage>
#include <QDBusVariant>

#include "app/control_names.h"
#include "app/dbus_interface.h"
#include "app/main_window.h"
#include "core/app_delegate.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "ui/view_controller.h"

namespace {

constexpr const char* kPropertiesInterface = "org.freedesktop.DBus.Properties";
constexpr const char* kInvalidArgs = "org.freedesktop.DBus.Error.InvalidArgs";
// Changes are looked for this often; the values live in the core's variables.
constexpr int kWatchIntervalMs = 250;
// The reply to Quit leaves before the process ends.
constexpr int kQuitDelayMs = 100;

const char* kPropertiesXml = R"xml(
  <interface name="org.freedesktop.DBus.Properties">
    <method name="Get">
      <arg name="interface_name" type="s" direction="in"/>
      <arg name="property_name" type="s" direction="in"/>
      <arg name="value" type="v" direction="out"/>
    </method>
    <method name="GetAll">
      <arg name="interface_name" type="s" direction="in"/>
      <arg name="properties" type="a{sv}" direction="out"/>
    </method>
    <method name="Set">
      <arg name="interface_name" type="s" direction="in"/>
      <arg name="property_name" type="s" direction="in"/>
      <arg name="value" type="v" direction="in"/>
    </method>
    <signal name="PropertiesChanged">
      <arg name="interface_name" type="s"/>
      <arg name="changed_properties" type="a{sv}"/>
      <arg name="invalidated_properties" type="as"/>
    </signal>
  </interface>)xml";

QString validShowModes(uint8_t resolution) {
  return resolution == 1 ? "1 (Floyd), 2 (A2), 3 (A16) in the flexible resolution mode"
                         : "4 (A5), 5 (A2), 6 (A16) in the fixed resolution mode";
}

}  // namespace

ControlService::ControlService(const ModelProfile& model, MainWindow& window, AppDelegate& delegate)
    : model_(model), window_(window), delegate_(delegate) {
  QObject::connect(&watch_, &QTimer::timeout, [this] { announceChanges(); });
}

bool ControlService::registerOn(QDBusConnection bus) {
  if (!bus.isConnected() || !bus.registerService(controlServiceName(model_))) return false;
  bus_ = bus;
  bus_.registerVirtualObject(kControlObjectPath, this, QDBusConnection::SingleNode);
  announced_ = properties();
  watch_.start(kWatchIntervalMs);
  return true;
}

QString ControlService::introspect(const QString&) const {
  const QString xml = kControlInterfaceXml;
  const qsizetype start = xml.indexOf("<interface");
  const qsizetype end = xml.indexOf("</interface>") + int(sizeof "</interface>") - 1;
  return xml.mid(start, end - start) + kPropertiesXml;
}

QVariantMap ControlService::properties() const {
  return {{"Online", MonitorOnline.load() == 1},
          {"ShowMode", uint(ShowMode.load())},
          {"Threshold", uint(Threshold.load())},
          {"ResCommMode", uint(ResCommMode.load())},
          {"Model", QString(model_.modelName)}};
}

void ControlService::announceChanges() {
  const QVariantMap now = properties();
  QVariantMap changed;
  for (auto it = now.begin(); it != now.end(); ++it) {
    if (announced_.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
  }
  announced_ = now;
  if (changed.isEmpty()) return;
  QDBusMessage signal =
      QDBusMessage::createSignal(kControlObjectPath, kPropertiesInterface, "PropertiesChanged");
  signal << QString(kControlInterface) << changed << QStringList();
  bus_.send(signal);
}

bool ControlService::uintArgument(const QDBusMessage& message, uint& value) {
  const QVariantList arguments = message.arguments();
  if (arguments.size() != 1 || arguments[0].metaType() != QMetaType::fromType<uint>()) return false;
  value = arguments[0].toUInt();
  return true;
}

QDBusMessage ControlService::setShowMode(const QDBusMessage& message) {
  uint mode = 0;
  const uint8_t resolution = ResCommMode.load();
  const bool flexible = resolution == 1;
  if (!uintArgument(message, mode) || (flexible && (mode < 1 || mode > 3)) ||
      (!flexible && (mode < 4 || mode > 6))) {
    return message.createErrorReply(kInvalidArgs,
                                    "SetShowMode takes one of " + validShowModes(flexible ? 1 : 2));
  }
  if (MonitorOnline.load() == 0) {
    return message.createErrorReply(kOfflineError, "Cannot detect Talvex Display exist");
  }
  window_.panel()->switchToShowMode(mode);
  return message.createReply();
}

QDBusMessage ControlService::setResolutionMode(const QDBusMessage& message) {
  uint mode = 0;
  if (!uintArgument(message, mode) || mode < 1 || mode > 2) {
    return message.createErrorReply(kInvalidArgs,
                                    "SetResolutionMode takes 1 (flexible) or 2 (fixed 1100x825)");
  }
  if (MonitorOnline.load() == 0) {
    return message.createErrorReply(kOfflineError, "Cannot detect Talvex Display exist");
  }
  ViewController* panel = window_.panel();
  panel->ResCommModeRadioRef->selectCellAtRow(static_cast<int>(mode) - 1, 0);
  panel->WorkModeRadioAction();
  panel->ChangeModeButton();
  return message.createReply();
}

bool ControlService::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
  const QString member = message.member();
  if (message.interface() == kPropertiesInterface) {
    const QVariantList arguments = message.arguments();
    const bool ours = !arguments.isEmpty() && arguments[0].toString() == kControlInterface;
    const QVariantMap values = properties();
    if (member == "GetAll" && ours) {
      connection.send(message.createReply(values));
    } else if (member == "Get" && ours && arguments.size() == 2 &&
               values.contains(arguments[1].toString())) {
      connection.send(message.createReply(
          QVariant::fromValue(QDBusVariant(values.value(arguments[1].toString())))));
    } else if (member == "Set") {
      connection.send(message.createErrorReply("org.freedesktop.DBus.Error.PropertyReadOnly",
                                               "The properties are read-only"));
    } else {
      connection.send(message.createErrorReply(kInvalidArgs, "No such interface or property"));
    }
    return true;
  }
  if (message.interface() != kControlInterface && !message.interface().isEmpty()) return false;
  const bool noArguments = message.arguments().isEmpty();
  if ((member == "ContrastUp" || member == "ContrastDown") && noArguments) {
    delegate_.contrastStep(member == "ContrastUp");
  } else if (member == "Refresh" && noArguments) {
    delegate_.refreshRequest();
  } else if (member == "SetShowMode") {
    connection.send(setShowMode(message));
    return true;
  } else if (member == "SetResolutionMode") {
    connection.send(setResolutionMode(message));
    return true;
  } else if (member == "ShowWindow" && noArguments) {
    window_.bringToFront();
  } else if (member == "Quit" && noArguments) {
    connection.send(message.createReply());
    ViewController* panel = window_.panel();
    QTimer::singleShot(kQuitDelayMs, [panel] { panel->ExitAction(); });
    return true;
  } else {
    return false;
  }
  connection.send(message.createReply());
  return true;
}
