#include "platform/input/global_shortcuts_portal.h"

#include <xkbcommon/xkbcommon.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <algorithm>

#include "platform/input/key_table.h"
#include "platform/key_codes.h"
#include "platform/session/trusted_peer.h"

using PortalShortcutEntry = QPair<QString, QVariantMap>;
using PortalShortcutList = QList<PortalShortcutEntry>;
Q_DECLARE_METATYPE(PortalShortcutList)

namespace platform::input {
namespace {

constexpr const char* kService = "org.freedesktop.portal.Desktop";
constexpr const char* kPath = "/org/freedesktop/portal/desktop";
constexpr const char* kInterface = "org.freedesktop.portal.GlobalShortcuts";
constexpr const char* kRequestInterface = "org.freedesktop.portal.Request";
constexpr const char* kSessionInterface = "org.freedesktop.portal.Session";
constexpr const char* kRegistryInterface = "org.freedesktop.host.portal.Registry";
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
QString senderPart(const QDBusConnection& bus) {
  return bus.baseService().mid(1).replace('.', '_');
}

QDBusConnection ownConnection() {
  static int connections = 0;
  return QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                       QString("quillmark-portal-%1").arg(++connections));
}

// A portal without the registry (before 1.19) names programs otherwise.
bool noRegistry(const QDBusMessage& reply) {
  const QString error = reply.errorName();
  return error == "org.freedesktop.DBus.Error.UnknownMethod" ||
         error == "org.freedesktop.DBus.Error.UnknownInterface" ||
         error == "org.freedesktop.DBus.Error.UnknownObject";
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

GlobalShortcutsPortal::GlobalShortcutsPortal(const QString& appId)
    : bus_(ownConnection()), appId_(appId) {
  qDBusRegisterMetaType<PortalShortcutEntry>();
  qDBusRegisterMetaType<PortalShortcutList>();
  qRegisterMetaType<QDBusObjectPath>();
}

GlobalShortcutsPortal::~GlobalShortcutsPortal() {
  closeSession();
  QDBusConnection::disconnectFromBus(bus_.name());
}

QString GlobalShortcutsPortal::nextToken() {
  return QString("quillmark%1").arg(++tokens_);
}

void GlobalShortcutsPortal::identify() {
  if (identified_ || !bus_.isConnected()) return;
  identified_ = true;
  QDBusMessage call =
      QDBusMessage::createMethodCall(portal_, kPath, kRegistryInterface, "Register");
  call << appId_ << QVariantMap();
  const QDBusMessage reply = bus_.call(call, QDBus::Block, kCallTimeoutMs);
  namedByAppId_ = reply.type() == QDBusMessage::ReplyMessage;
  if (reply.type() == QDBusMessage::ErrorMessage && !noRegistry(reply)) {
    identityProblem_ = QString("the portal did not take the app id %1 (%2)")
                           .arg(appId_, reply.errorMessage().left(200));
  }
}

bool GlobalShortcutsPortal::request(const QString& method, const QVariantList& arguments,
                                    const char* responseSlot) {
  // The options (last argument) carry the handle token; the Response is
  // subscribed to before the call, so that it cannot be missed.
  const QString token = qdbus_cast<QVariantMap>(arguments.last()).value("handle_token").toString();
  const QString requestPath =
      QString("/org/freedesktop/portal/desktop/request/%1/%2").arg(senderPart(bus_), token);
  bus_.connect(portal_, requestPath, kRequestInterface, "Response", this, responseSlot);
  QDBusMessage call = QDBusMessage::createMethodCall(portal_, kPath, kInterface, method);
  call.setArguments(arguments);
  const QDBusMessage reply = bus_.call(call, QDBus::Block, kCallTimeoutMs);
  if (reply.type() == QDBusMessage::ErrorMessage && identityProblem_.isEmpty() && !namedByAppId_) {
    // The portal's own word for what it refused ("An app id is required").
    identityProblem_ =
        QString("the portal refused %1: %2").arg(method, reply.errorMessage().left(200));
  }
  return reply.type() == QDBusMessage::ReplyMessage;
}

bool GlobalShortcutsPortal::available() {
  if (!bus_.isConnected()) return false;
  // Asked once, and of this owner only from then on: a portal of another
  // user's would hear the hotkeys and could press them.
  if (portal_.isEmpty()) {
    QString why;
    const std::optional<QString> owner = session::trustedOwner(bus_, kService, why);
    if (!owner) {
      if (why.contains("not used")) identityProblem_ = why;
      return false;
    }
    portal_ = *owner;
  }
  identify();
  // The frontend exports the interface only when a backend provides it.
  QDBusMessage version =
      QDBusMessage::createMethodCall(portal_, kPath, "org.freedesktop.DBus.Properties", "Get");
  version << QString(kInterface) << QString("version");
  return bus_.call(version, QDBus::Block, kCallTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

bool GlobalShortcutsPortal::start(const QString& sessionToken,
                                  const std::vector<PortalShortcut>& shortcuts, Missing missing,
                                  std::function<void(const QString&)> activated,
                                  std::function<void(Outcome, uint)> settled) {
  if (!available()) return false;
  activated_ = std::move(activated);
  settled_ = std::move(settled);
  shortcuts_ = shortcuts;
  ids_.clear();
  for (const PortalShortcut& shortcut : shortcuts_) ids_ << shortcut.id;
  missing_ = missing;
  sessionToken_ = sessionToken;
  bus_.connect(portal_, kPath, kInterface, "Activated", this, SLOT(onActivated(QDBusMessage)));
  return createSession();
}

bool GlobalShortcutsPortal::look(const QString& sessionToken,
                                 const std::vector<PortalShortcut>& shortcuts,
                                 std::function<void(Outcome, uint)> settled) {
  if (!available()) return false;
  settled_ = std::move(settled);
  shortcuts_ = shortcuts;
  ids_.clear();
  for (const PortalShortcut& shortcut : shortcuts_) ids_ << shortcut.id;
  missing_ = Missing::kLeave;
  sessionToken_ = sessionToken;
  return createSession();
}

// A session the portal refuses to open (portal 1.22 opens none for a program
// it cannot name) is settled as refused, so that the refusal is said.
bool GlobalShortcutsPortal::createSession() {
  const QVariantMap options{{"handle_token", nextToken()},
                            {"session_handle_token", sessionToken_},
                            {"shortcuts", QVariant::fromValue(entries(shortcuts_))}};
  if (request("CreateSession", {options}, SLOT(onCreateSessionResponse(uint, QVariantMap)))) {
    return true;
  }
  settle(2);
  return false;
}

void GlobalShortcutsPortal::closeSession() {
  if (sessionPath_.isEmpty() || !bus_.isConnected()) return;
  bus_.call(QDBusMessage::createMethodCall(portal_, sessionPath_, kSessionInterface, "Close"),
            QDBus::Block, kCallTimeoutMs);
  sessionPath_.clear();
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
    settle(code != 0 ? code : 2);
    return;
  }
  const QVariantMap options{{"handle_token", nextToken()}};
  if (!request("ListShortcuts", {QVariant::fromValue(QDBusObjectPath(sessionPath_)), options},
               SLOT(onListResponse(uint, QVariantMap)))) {
    onListResponse(2, {});
  }
}

// What the session holds already is not bound again: on Plasma 5.27,
// CreateSession registered every shortcut, and binding would only open
// System Settings; GNOME would ask the user again.
void GlobalShortcutsPortal::onListResponse(uint code, const QVariantMap& results) {
  QStringList listed;
  if (code == 0) {
    PortalShortcutList known;
    results.value("shortcuts").value<QDBusArgument>() >> known;
    for (const PortalShortcutEntry& entry : known) listed << entry.first;
  }
  QStringList unlisted;
  for (const QString& id : ids_) {
    if (!listed.contains(id) || mustBind_.contains(id)) unlisted << id;
  }
  mustBind_.clear();
  if (unlisted.isEmpty()) {
    settle(0);
    return;
  }
  if (missing_ == Missing::kLeave) {
    if (settled_) settled_(Outcome::kNotBound, 0);
    return;
  }
  std::vector<PortalShortcut> missing;
  for (const PortalShortcut& shortcut : shortcuts_) {
    if (unlisted.contains(shortcut.id)) missing.push_back(shortcut);
  }
  bind(missing);
}

void GlobalShortcutsPortal::rebind(const std::vector<PortalShortcut>& shortcuts, bool all) {
  QStringList changed;
  for (const PortalShortcut& shortcut : shortcuts) {
    const auto before = std::find_if(shortcuts_.begin(), shortcuts_.end(),
                                     [&](const PortalShortcut& s) { return s.id == shortcut.id; });
    if (all || before == shortcuts_.end() ||
        before->preferredTrigger != shortcut.preferredTrigger) {
      changed << shortcut.id;
    }
  }
  shortcuts_ = shortcuts;
  ids_.clear();
  for (const PortalShortcut& shortcut : shortcuts_) ids_ << shortcut.id;
  if (changed.isEmpty() || sessionToken_.isEmpty()) return;
  mustBind_ = changed;
  missing_ = Missing::kBind;
  closeSession();
  createSession();
}

void GlobalShortcutsPortal::bind(const std::vector<PortalShortcut>& shortcuts) {
  if (!request("BindShortcuts",
               {QVariant::fromValue(QDBusObjectPath(sessionPath_)),
                QVariant::fromValue(entries(shortcuts)), QString(),
                QVariantMap{{"handle_token", nextToken()}}},
               SLOT(onBindResponse(uint, QVariantMap)))) {
    settle(2);
  }
}

void GlobalShortcutsPortal::onBindResponse(uint code, const QVariantMap&) {
  settle(code);
}

void GlobalShortcutsPortal::settle(uint code) {
  if (!settled_) return;
  settled_(code == 0 ? Outcome::kBound : code == 1 ? Outcome::kCancelled : Outcome::kRefused, code);
}

void GlobalShortcutsPortal::onActivated(const QDBusMessage& message) {
  const QVariantList arguments = message.arguments();
  if (arguments.size() < 2 || !activated_) return;
  // The 1.16 frontend broadcasts: only this session's activations count.
  if (arguments[0].value<QDBusObjectPath>().path() != sessionPath_) return;
  activated_(arguments[1].toString());
}

}  // namespace platform::input
