#pragma once
// The session bus connection the program serves and listens on, made safe
// from one large message. libdbus stops reading a connection whose unfreed
// messages pass its limit (63 MB) and asks to read again from whichever
// thread frees one; Qt lets only its own D-Bus thread switch that reading
// back on ("Socket notifiers cannot be enabled or disabled from another
// thread"), so one 64 MB call left the connection deaf for the rest of the
// process's life. Without that limit, the bus daemon's own limits on what a
// sender may queue are the bound, as for any other service.

#include <QDBusConnection>

namespace platform::session {

// The session bus with that limit lifted; a connection that failed stays so.
QDBusConnection servedSessionBus();

}  // namespace platform::session
