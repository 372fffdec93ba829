#pragma once
// Whether the session bus answers at all, asked at start with a deadline: a
// stopped or wedged bus daemon accepts connections and then never replies,
// and every D-Bus call the program makes would wait on it. The check is the
// bus's own authentication handshake on its socket, nothing more.

#include <chrono>

// True when DBUS_SESSION_BUS_ADDRESS is unset, names a transport this check
// does not know, or the bus answered the handshake within the deadline.
bool sessionBusAnswers(std::chrono::milliseconds deadline);
