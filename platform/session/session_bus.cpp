#include "platform/session/session_bus.h"

#include <dbus/dbus.h>

#include <climits>

namespace platform::session {

QDBusConnection servedSessionBus() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (auto* connection = static_cast<DBusConnection*>(bus.internalPointer())) {
    dbus_connection_set_max_received_size(connection, LONG_MAX);
  }
  return bus;
}

}  // namespace platform::session
