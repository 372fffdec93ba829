#include "app/session_bus_probe.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

// The Unix socket of the first unix: address ("unix:path=..." or
// "unix:abstract=..."); nullopt for any other transport.
std::optional<sockaddr_un> unixSocketOf(const std::string& addresses, socklen_t& length) {
  const std::string address = addresses.substr(0, addresses.find(';'));
  if (address.rfind("unix:", 0) != 0) return std::nullopt;
  sockaddr_un socket{};
  socket.sun_family = AF_UNIX;
  for (const char* key : {"path=", "abstract="}) {
    const size_t at = address.find(key, 5);
    if (at == std::string::npos) continue;
    const size_t start = at + std::strlen(key);
    const std::string value = address.substr(start, address.find(',', start) - start);
    const bool abstract = key[0] == 'a';
    if (value.empty() || value.size() + (abstract ? 1 : 0) >= sizeof socket.sun_path) {
      return std::nullopt;
    }
    std::memcpy(socket.sun_path + (abstract ? 1 : 0), value.data(), value.size());
    length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + value.size() + (abstract ? 1 : 0));
    return socket;
  }
  return std::nullopt;
}

// The handshake's opening: a NUL byte, then AUTH EXTERNAL with the uid in hex digits.
std::string authRequest() {
  std::string request(1, '\0');
  request += "AUTH EXTERNAL ";
  for (const char digit : std::to_string(getuid())) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(digit));
    request += hex;
  }
  return request + "\r\n";
}

}  // namespace

bool sessionBusAnswers(std::chrono::milliseconds deadline) {
  const char* addresses = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (addresses == nullptr || *addresses == '\0') return true;
  socklen_t length = 0;
  const std::optional<sockaddr_un> address = unixSocketOf(addresses, length);
  if (!address) return true;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return true;
  bool answered = false;
  const std::string request = authRequest();
  if (connect(fd, reinterpret_cast<const sockaddr*>(&*address), length) == 0 &&
      send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
          static_cast<ssize_t>(request.size())) {
    pollfd reply{fd, POLLIN, 0};
    char answer[128];
    answered = poll(&reply, 1, static_cast<int>(deadline.count())) > 0 &&
               recv(fd, answer, sizeof answer, 0) > 0;
  } else {
    answered = true;  // nothing listens there: Qt will find no bus at once
  }
  close(fd);
  return answered;
}
