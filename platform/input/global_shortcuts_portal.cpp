#include "platform/input/global_shortcuts_portal.h"

#include <xkbcommon/xkbcommon.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <algorithm>

#include "platform/input/key_table.h"
#include "platform/key_codes.h"

using PortalShortcutEntry = QPair<QString, QVariantMap>;
using PortalShortcutList = QList<PortalShortcutEntry>;
Q_DECLARE_METATYPE(PortalShortcutList)

namespace platform::session {
namespace {

constexpr const char* kService = "org.freedesktop.portal.Desktop";
constexpr const char* kPath = "/org/freedesktop/portal/desktop";
constexpr const char* kInterface = "org.freedesktop.portal.GlobalShortcuts";
constexpr const char* kRequestInterface = "org.freedesktop.portal.Request";
constexpr int kCallTimeoutMs = 1000;

PortalShortcutList entries(const std::vector<PortalShortcut>& shortcuts) {
  PortalShortcutList list;
  for (const PortalShortcut& shortcut : shortcuts) {
    QVariantMap properties{{"description", shortcut.description}};
    if (!shortcut.preferredTrigger.isEmpty()) {
      properties.insert("preferred_trigger", shortcut.preferredTrigger);
    }
    list.append({shortcut.id, properties});
  }
  return list;
}

// The part of a unique bus name the portal puts in request paths (":1.42" -> "1_42").
QString senderPart() {
  return QDBusConnection::sessionBus().baseService().mid(1).replace('.', '_');
}

}  // namespace

QString portalTrigger(uint32_t keyCode, uint32_t modifierFlags) {
  const auto key = keyForCode(static_cast<uint16_t>(keyCode));
  if (!key) return {};
  char name[64] = {};
  if (xkb_keysym_get_name(key->keysym, name, sizeof name) <= 0) return {};
  QStringList parts;
  if (modifierFlags & kModifierShift) parts << "SHIFT";
  if (modifierFlags & kModifierControl) parts << "CTRL";
  if (modifierFlags & kModifierOption) parts << "ALT";
  if (modifierFlags & kModifierCommand) parts << "LOGO";
  parts << QString(name).toUpper();
  return parts.join('+');
}

QString GlobalShortcutsPortal::nextToken() {
  return QString("quillmark%1").arg(++tokens_);
}

bool GlobalShortcutsPortal::request(const QString& method, const QVariantList& arguments,
                                    const char* responseSlot) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  // The options (last argument) carry the handle token; the Response is
  // subscribed to before the call, so that it cannot be missed.
  const QString token = qdbus_cast<QVariantMap>(arguments.last()).value("handle_token").toString();
  const QString requestPath =
      QString("/org/freedesktop/portal/desktop/request/%1/%2").arg(senderPart(), token);
  bus.connect(kService, requestPath, kRequestInterface, "Response", this, responseSlot);
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
  call.setArguments(arguments);
  const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
  return reply.type() == QDBusMessage::ReplyMessage;
}

bool GlobalShortcutsPortal::available() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  // The frontend exports the interface only when a backend provides it.
  QDBusMessage version =
      QDBusMessage::createMethodCall(kService, kPath, "org.freedesktop.DBus.Properties", "Get");
  version << QString(kInterface) << QString("version");
  return bus.call(version, QDBus::Block, kCallTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

bool GlobalShortcutsPortal::start(const QString& sessionToken,
                                  const std::vector<PortalShortcut>& shortcuts,
                                  std::function<void(const QString&)> activated,
                                  std::function<void(uint)> registered) {
  qDBusRegisterMetaType<PortalShortcutEntry>();
  qDBusRegisterMetaType<PortalShortcutList>();
  qRegisterMetaType<QDBusObjectPath>();
  if (!available()) return false;
  QDBusConnection bus = QDBusConnection::sessionBus();
  activated_ = std::move(activated);
  registered_ = std::move(registered);
  shortcuts_ = shortcuts;
  sessionToken_ = sessionToken;
  bus.connect(kService, kPath, kInterface, "Activated", this, SLOT(onActivated(QDBusMessage)));
  const QVariantMap options{{"handle_token", nextToken()},
                            {"session_handle_token", sessionToken_},
                            {"shortcuts", QVariant::fromValue(entries(shortcuts_))}};
  return request("CreateSession", {options}, SLOT(onCreateSessionResponse(uint, QVariantMap)));
}

void GlobalShortcutsPortal::onCreateSessionResponse(uint code, const QVariantMap& results) {
  // 1.16 answers with a string, later versions with an object path.
  const QVariant handle = results.value("session_handle");
  if (code == 0) {
    sessionPath_ = handle.userType() == qMetaTypeId<QDBusObjectPath>()
                       ? handle.value<QDBusObjectPath>().path()
                       : handle.toString();
  }
  if (code != 0 || sessionPath_.isEmpty()) {
    registered_(code != 0 ? code : 2);
    return;
  }
  const QVariantMap options{{"handle_token", nextToken()}};
  if (!request("ListShortcuts", {QVariant::fromValue(QDBusObjectPath(sessionPath_)), options},
               SLOT(onListResponse(uint, QVariantMap)))) {
    bind(shortcuts_);
  }
}

// What the session holds already is not bound again: on Plasma 5.27,
// CreateSession registered every shortcut, and binding would only open
// System Settings.
void GlobalShortcutsPortal::onListResponse(uint code, const QVariantMap& results) {
  QStringList listed;
  if (code == 0) {
    PortalShortcutList known;
    results.value("shortcuts").value<QDBusArgument>() >> known;
    for (const PortalShortcutEntry& entry : known) listed << entry.first;
  }
  std::vector<PortalShortcut> missing;
  for (const PortalShortcut& shortcut : shortcuts_) {
    if (!listed.contains(shortcut.id)) missing.push_back(shortcut);
  }
  if (missing.empty()) {
    registered_(0);
  } else {
    bind(missing);
  }
}

void GlobalShortcutsPortal::rebind(const std::vector<PortalShortcut>& shortcuts) {
  std::vector<PortalShortcut> changed;
  for (const PortalShortcut& shortcut : shortcuts) {
    const auto before = std::find_if(shortcuts_.begin(), shortcuts_.end(),
                                     [&](const PortalShortcut& s) { return s.id == shortcut.id; });
    if (before == shortcuts_.end() || before->preferredTrigger != shortcut.preferredTrigger) {
      changed.push_back(shortcut);
    }
  }
  shortcuts_ = shortcuts;
  if (sessionPath_.isEmpty() || changed.empty()) return;
  bind(changed);
}

void GlobalShortcutsPortal::bind(const std::vector<PortalShortcut>& shortcuts) {
  request(
      "BindShortcuts",
      {QVariant::fromValue(QDBusObjectPath(sessionPath_)), QVariant::fromValue(entries(shortcuts)),
       QString(), QVariantMap{{"handle_token", nextToken()}}},
      SLOT(onBindResponse(uint, QVariantMap)));
}

void GlobalShortcutsPortal::onBindResponse(uint code, const QVariantMap&) {
  if (registered_) registered_(code);
}

void GlobalShortcutsPortal::onActivated(const QDBusMessage& message) {
  const QVariantList arguments = message.arguments();
  if (arguments.size() < 2) return;
  // The 1.16 frontend broadcasts: only this session's activations count.
  if (arguments[0].value<QDBusObjectPath>().path() != sessionPath_) return;
  activated_(arguments[1].toString());
}

}  // namespace platform::session
