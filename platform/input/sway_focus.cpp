#include "platform/input/sway_focus.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cstring>

namespace platform::input {
namespace {

constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr qsizetype kHeaderLength = sizeof kMagic + 8;
// A tree of many windows stays far below this; anything longer is no sway.
constexpr uint32_t kLongestMessage = 16 * 1024 * 1024;
constexpr uint32_t kSubscribe = 2;
constexpr uint32_t kGetTree = 4;
constexpr uint32_t kWindowEvent = 0x80000003;
constexpr int kRetryMs = 3000;
// Deep enough for any real layout; a deeper one is not followed.
constexpr int kDeepestTree = 64;

FocusedWindow windowOf(const QJsonObject& container) {
  FocusedWindow window;
  window.appId = container.value("app_id").toString().toStdString();
  window.windowClass =
      container.value("window_properties").toObject().value("class").toString().toStdString();
  window.pid = container.value("pid").toInteger();
  return window;
}

// The focused window of the tree: the focused node that is a window.
std::optional<QJsonObject> focusedIn(const QJsonObject& node, int depth) {
  if (depth > kDeepestTree) return std::nullopt;
  if (node.value("focused").toBool() && node.contains("pid")) return node;
  for (const char* children : {"nodes", "floating_nodes"}) {
    for (const QJsonValue& child : node.value(children).toArray()) {
      if (auto found = focusedIn(child.toObject(), depth + 1)) return found;
    }
  }
  return std::nullopt;
}

bool peerIsOwnUser(int descriptor) {
  ucred peer{};
  socklen_t length = sizeof peer;
  return getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 &&
         peer.uid == geteuid();
}

}  // namespace

SwayFocus::~SwayFocus() {
  drop();
}

bool SwayFocus::start(const std::string& path, FocusReport report) {
  path_ = path;
  report_ = std::move(report);
  retry_.setInterval(kRetryMs);
  QObject::connect(&retry_, &QTimer::timeout, [this] {
    if (connectOnce()) retry_.stop();
  });
  return connectOnce();
}

// A local socket connects at once or not at all: the compositor's listen
// queue answers, whatever its main loop is doing.
bool SwayFocus::connectOnce() {
  drop();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path_.size() >= sizeof address.sun_path) return false;
  path_.copy(address.sun_path, path_.size());
  socket_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket_ < 0 ||
      connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      !peerIsOwnUser(socket_) || !send(kSubscribe, R"(["window"])") || !send(kGetTree, {})) {
    drop();
    return false;
  }
  fcntl(socket_, F_SETFL, fcntl(socket_, F_GETFL) | O_NONBLOCK);
  readable_ = std::make_unique<QSocketNotifier>(socket_, QSocketNotifier::Read);
  QObject::connect(readable_.get(), &QSocketNotifier::activated, [this] { readMessages(); });
  return true;
}

void SwayFocus::drop() {
  readable_.reset();
  if (socket_ >= 0) close(socket_);
  socket_ = -1;
  pending_.clear();
}

bool SwayFocus::send(uint32_t type, const QByteArray& payload) {
  QByteArray message(kMagic, sizeof kMagic);
  const auto length = static_cast<uint32_t>(payload.size());
  message.append(reinterpret_cast<const char*>(&length), 4);
  message.append(reinterpret_cast<const char*>(&type), 4);
  message += payload;
  return ::send(socket_, message.constData(), static_cast<size_t>(message.size()), MSG_NOSIGNAL) ==
         message.size();
}

void SwayFocus::readMessages() {
  char buffer[65536];
  const ssize_t got = recv(socket_, buffer, sizeof buffer, 0);
  if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
    // The compositor went away (or restarts): asked again every few seconds.
    drop();
    retry_.start();
    return;
  }
  if (got > 0) pending_.append(buffer, got);
  while (pending_.size() >= kHeaderLength) {
    uint32_t length = 0, type = 0;
    std::memcpy(&length, pending_.constData() + sizeof kMagic, 4);
    std::memcpy(&type, pending_.constData() + sizeof kMagic + 4, 4);
    if (std::memcmp(pending_.constData(), kMagic, sizeof kMagic) != 0 || length > kLongestMessage) {
      // Not i3-IPC: the connection is dropped and made again later.
      drop();
      retry_.start();
      return;
    }
    if (pending_.size() < kHeaderLength + static_cast<qsizetype>(length)) return;
    take(type, pending_.mid(kHeaderLength, length));
    pending_.remove(0, kHeaderLength + length);
  }
}

void SwayFocus::take(uint32_t type, const QByteArray& payload) {
  const QJsonObject message = QJsonDocument::fromJson(payload).object();
  if (type == kGetTree) {
    if (const auto focused = focusedIn(message, 0)) report_(windowOf(*focused));
  } else if (type == kWindowEvent && message.value("change").toString() == "focus") {
    report_(windowOf(message.value("container").toObject()));
  }
}

}  // namespace platform::input
