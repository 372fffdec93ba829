#pragma once
// Global shortcuts through the desktop portal (org.freedesktop.portal.
// GlobalShortcuts), for Wayland sessions, where no program may watch the
// keyboard. The shortcuts go in CreateSession's options (Plasma 5.27's portal
// registers them from there); BindShortcuts (the documented way, which opens
// GNOME's "Add Keyboard Shortcuts" dialog, and System Settings on Plasma 5.27)
// is called only for what ListShortcuts does not list yet. A stable session
// token keeps the user's own bindings across runs.
//
// The portal is spoken to on a connection of its own, identified first with
// the program's app id (org.freedesktop.host.portal.Registry, portal 1.19 and
// later): the portal names the program by it, GNOME binds nothing for a
// program it cannot name, and the identity must come before any other call
// on the connection, which Qt's own portal use on the shared one would spoil.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace platform::input {

struct PortalShortcut {
  QString id;
  QString description;
  QString preferredTrigger;  // "CTRL+U", "CTRL+ALT+F12"
};

class GlobalShortcutsPortal : public QObject {
  Q_OBJECT

 public:
  // How a session ended up: every shortcut listed or bound; the user
  // cancelled the desktop's dialog (Response 1); the portal refused
  // (Response 2 or another code); some were not listed and, as asked, not
  // bound.
  enum class Outcome { kBound, kCancelled, kRefused, kNotBound };
  // What is done with shortcuts the portal does not list yet.
  enum class Missing { kBind, kLeave };

  explicit GlobalShortcutsPortal(const QString& appId);
  ~GlobalShortcutsPortal() override;

  // True when a portal on the session bus offers global shortcuts.
  bool available();
  // Why the portal did not take the app id ("" when it did, or when the
  // portal has no registry and names programs otherwise).
  QString identityProblem() const { return identityProblem_; }
  // Whether the portal took the app id (portal 1.19 and later): desktops
  // then keep the shortcuts under it instead of under the session token.
  bool namedByAppId() const { return namedByAppId_; }

  // Opens a portal session with the shortcuts; false when no portal offers
  // global shortcuts. settled is called once the portal answered, with the
  // portal's response code (0 when bound or listed).
  bool start(const QString& sessionToken, const std::vector<PortalShortcut>& shortcuts,
             Missing missing, std::function<void(const QString& id)> activated,
             std::function<void(Outcome outcome, uint code)> settled);
  // Only looks: a session that binds nothing; settled reports kBound when
  // every shortcut is listed. (Plasma 5.27
  // lists only what the session registered as it opened, which it does
  // without a word to the user, as at every start.)
  bool look(const QString& sessionToken, const std::vector<PortalShortcut>& shortcuts,
            std::function<void(Outcome outcome, uint code)> settled);
  // Binds the shortcuts whose trigger changed, and all of them when forced,
  // in a new session: a portal session binds only once (GNOME answers 2 to a
  // second BindShortcuts).
  void rebind(const std::vector<PortalShortcut>& shortcuts, bool all = false);

 private slots:
  void onCreateSessionResponse(uint code, const QVariantMap& results);
  void onListResponse(uint code, const QVariantMap& results);
  void onBindResponse(uint code, const QVariantMap& results);
  void onActivated(const QDBusMessage& message);

 private:
  void identify();
  bool createSession();
  void closeSession();
  // Calls a portal method whose answer comes as a Request's Response signal.
  bool request(const QString& method, const QVariantList& arguments, const char* responseSlot);
  QString nextToken();
  void bind(const std::vector<PortalShortcut>& shortcuts);
  void settle(uint code);

  QDBusConnection bus_;
  QString portal_;  // the portal's unique name, once found to be the user's or root's
  QString appId_;
  bool identified_ = false;
  QString identityProblem_;
  bool namedByAppId_ = false;
  std::function<void(const QString&)> activated_;
  std::function<void(Outcome, uint)> settled_;
  std::vector<PortalShortcut> shortcuts_;
  QStringList ids_;
  QStringList mustBind_;  // ids bound even when listed (their trigger changed)
  Missing missing_ = Missing::kBind;
  QString sessionPath_;
  QString sessionToken_;
  int tokens_ = 0;
};

// The portal's trigger text for a key code and modifier word as the private
// data file stores them, "" when the key has no name.
QString portalTrigger(uint32_t keyCode, uint32_t modifierFlags);

}  // namespace platform::input
