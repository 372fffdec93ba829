#pragma once
// Global shortcuts through the desktop portal (org.freedesktop.portal.
// GlobalShortcuts), for Wayland sessions, where no program may watch the
// keyboard. The shortcuts go in CreateSession's options (Plasma 5.27's portal
// registers them from there); BindShortcuts (the documented way, which on
// Plasma 5.27 opens System Settings) is called only for what ListShortcuts
// does not list yet. A stable session token keeps the user's own bindings
// across runs. Every Response code but 0 means the hotkeys are not registered.

#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

namespace platform::session {

struct PortalShortcut {
  QString id;
  QString description;
  QString preferredTrigger;  // "CTRL+U", "CTRL+ALT+F12"
};

class GlobalShortcutsPortal : public QObject {
  Q_OBJECT

 public:
  // True when a portal on the session bus offers global shortcuts.
  static bool available();
  // Opens a portal session with the shortcuts; false when no portal on the
  // session bus offers global shortcuts. registered is called once the
  // portal answered: with 0 when the shortcuts are the desktop's, else with
  // the portal's response code.
  bool start(const QString& sessionToken, const std::vector<PortalShortcut>& shortcuts,
             std::function<void(const QString& id)> activated,
             std::function<void(uint code)> registered);
  // Registers the combinations that changed with the desktop again.
  void rebind(const std::vector<PortalShortcut>& shortcuts);

 private slots:
  void onCreateSessionResponse(uint code, const QVariantMap& results);
  void onListResponse(uint code, const QVariantMap& results);
  void onBindResponse(uint code, const QVariantMap& results);
  void onActivated(const QDBusMessage& message);

 private:
  // Calls a portal method whose answer comes as a Request's Response signal.
  bool request(const QString& method, const QVariantList& arguments, const char* responseSlot);
  QString nextToken();
  void bind(const std::vector<PortalShortcut>& shortcuts);

  std::function<void(const QString&)> activated_;
  std::function<void(uint)> registered_;
  std::vector<PortalShortcut> shortcuts_;
  QString sessionPath_;
  QString sessionToken_;
  int tokens_ = 0;
};

// The portal's trigger text for a key code and modifier word as the private
// data file stores them, "" when the key has no name.
QString portalTrigger(uint32_t keyCode, uint32_t modifierFlags);

}  // namespace platform::session
