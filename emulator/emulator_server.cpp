#include "emulator/emulator_server.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <sstream>

#include "base/private_folder.h"

namespace emulator {
namespace {

// A client that sends nothing for this long is let go; no client may hold
// the monitor for the others.
constexpr auto kIdleClientLimit = std::chrono::seconds(5);
constexpr size_t kMaxClients = 32;
constexpr auto kAnswerBudget = std::chrono::milliseconds(100);

// Sockets of this user's in the folder that nobody listens on any more
// (their emulator was killed) are removed.
void removeStaleSockets(const std::string& folder) {
  DIR* directory = opendir(folder.c_str());
  if (directory == nullptr) return;
  while (const dirent* entry = readdir(directory)) {
    const std::string name = entry->d_name;
    if (!platform::buses::isDisplaySocketName(name)) continue;
    const std::string path = folder + "/" + name;
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode) || info.st_uid != geteuid()) {
      continue;
    }
    sockaddr_un address;
    if (!platform::buses::unixSocketAddress(path, address)) continue;
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (probe < 0) continue;
    if (connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 &&
        errno == ECONNREFUSED) {
      unlink(path.c_str());
    }
    close(probe);
  }
  closedir(directory);
}

}  // namespace

EmulatorServer::EmulatorServer(QuillmarkMonitor& monitor, DisplaySettings settings)
    : monitor_(monitor), settings_(std::move(settings)) {}

EmulatorServer::~EmulatorServer() {
  stop();
}

bool EmulatorServer::start(const std::string& directory, std::string& why,
                           const std::string& name) {
  // One of ours with a looser mode (an older emulator's) is tightened.
  const int folder = base::openRuntimeFolder(directory, true, why);
  if (folder < 0) return false;
  removeStaleSockets(directory);
  const std::string socketName =
      (name.empty() ? "quillmark-" + std::to_string(getpid()) : name) + ".sock";
  socketPath_ = directory + "/" + socketName;
  // Bound in the folder that was checked, through its descriptor, so that a
  // folder swapped in at the path meanwhile never gets the socket; private
  // from its first instant.
  const std::string inCheckedFolder = "/proc/self/fd/" + std::to_string(folder) + "/" + socketName;
  sockaddr_un address;
  if (!platform::buses::unixSocketAddress(socketPath_, address) ||
      !platform::buses::unixSocketAddress(inCheckedFolder, address)) {
    close(folder);
    why = "the socket's path is too long";
    return false;
  }
  listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listener_ < 0 || pipe2(wakePipe_, O_CLOEXEC) != 0) {
    close(folder);
    why = std::strerror(errno);
    return false;
  }
  unlinkat(folder, socketName.c_str(), 0);
  const mode_t mask = umask(0077);
  const bool bound = bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  umask(mask);
  close(folder);
  if (!bound || listen(listener_, 8) != 0) {
    why = std::strerror(errno);
    return false;
  }
  running_ = true;
  thread_ = std::thread([this] { serve(); });
  return true;
}

void EmulatorServer::stop() {
  if (running_.exchange(false)) {
    const char wake = 1;
    [[maybe_unused]] ssize_t written = write(wakePipe_[1], &wake, 1);
    thread_.join();
  }
  if (listener_ >= 0) {
    close(listener_);
    listener_ = -1;
    unlink(socketPath_.c_str());
  }
  for (int& end : wakePipe_) {
    if (end >= 0) close(end);
    end = -1;
  }
}

// Several clients at once, each request answered as soon as it is whole:
// an idle or stalled client never holds the monitor for the others. The
// monitor sees one request at a time, so its exchanges never overlap.
void EmulatorServer::serve() {
  std::vector<Client> clients;
  while (running_) {
    std::vector<pollfd> waiting = {{listener_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    for (const Client& client : clients) waiting.push_back({client.socket, POLLIN, 0});
    // Without clients nothing is due, so the emulator sleeps until a message.
    int timeoutMs = -1;
    if (!clients.empty()) {
      const auto quietest = std::min_element(
          clients.begin(), clients.end(),
          [](const Client& a, const Client& b) { return a.lastHeard < b.lastHeard; });
      const auto due = std::chrono::duration_cast<std::chrono::milliseconds>(
          quietest->lastHeard + kIdleClientLimit - std::chrono::steady_clock::now());
      timeoutMs = static_cast<int>(std::max<int64_t>(due.count() + 1, 0));
    }
    if (poll(waiting.data(), waiting.size(), timeoutMs) < 0 && errno != EINTR) break;
    if ((waiting[1].revents & POLLIN) != 0) continue;
    const auto now = std::chrono::steady_clock::now();
    for (size_t i = 0; i < clients.size(); ++i) {
      Client& client = clients[i];
      const bool heard = waiting[i + 2].revents != 0;
      if ((heard && !serveClient(client)) ||
          (!heard && now - client.lastHeard > kIdleClientLimit)) {
        close(client.socket);
        client.socket = -1;
      }
    }
    std::erase_if(clients, [](const Client& client) { return client.socket < 0; });
    if ((waiting[0].revents & POLLIN) != 0) acceptClients(clients);
  }
  for (const Client& client : clients) close(client.socket);
}

void EmulatorServer::acceptClients(std::vector<Client>& clients) {
  for (;;) {
    const int socket = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (socket < 0) return;
    // A flood of idle connections cannot lock the monitor away: the one
    // heard from longest ago makes room for the newcomer.
    if (clients.size() >= kMaxClients) {
      const auto oldest = std::min_element(
          clients.begin(), clients.end(),
          [](const Client& a, const Client& b) { return a.lastHeard < b.lastHeard; });
      close(oldest->socket);
      clients.erase(oldest);
    }
    ucred peer{};
    socklen_t length = sizeof peer;
    const uint64_t host =
        getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 ? uint64_t(peer.pid) : 0;
    clients.push_back({socket, host, {}, std::chrono::steady_clock::now()});
  }
}

bool EmulatorServer::serveClient(Client& client) {
  uint8_t buffer[platform::buses::kMaxMessageSize];
  const ssize_t received = recv(client.socket, buffer, sizeof buffer, MSG_DONTWAIT);
  if (received < 0) return errno == EAGAIN || errno == EINTR;
  if (received == 0) return false;
  client.inbound.insert(client.inbound.end(), buffer, buffer + received);
  client.lastHeard = std::chrono::steady_clock::now();
  while (client.inbound.size() >= 4) {
    const uint32_t length = platform::buses::messageLength(client.inbound.data());
    if (length > platform::buses::kMaxMessageSize) return false;
    if (client.inbound.size() < 4 + length) break;
    const std::vector<uint8_t> request(client.inbound.begin() + 4,
                                       client.inbound.begin() + 4 + length);
    client.inbound.erase(client.inbound.begin(), client.inbound.begin() + 4 + length);
    monitor_.setHost(client.host);
    if (!platform::buses::sendMessage(client.socket, answer(request),
                                      platform::buses::Deadline(kAnswerBudget))) {
      return false;
    }
  }
  return true;
}

std::vector<uint8_t> EmulatorServer::answer(const std::vector<uint8_t>& request) {
  platform::buses::MessageReader reader(request);
  platform::buses::MessageWriter reply;
  uint8_t operation = 0;
  if (!reader.u8(operation)) return {};
  DisplaySettings current = settings();
  const bool busPresent = current.plugged && monitor_.fault() != Fault::NoBus;
  switch (operation) {
    case platform::buses::kInfo: {
      // An unplugged monitor is no display at all.
      if (!current.plugged || !reader.atEnd()) return {};
      platform::buses::DisplayInfo info{busPresent ? 1u : 0u, current.width, current.height,
                                        current.modes};
      return platform::buses::encodeInfo(info);
    }
    case platform::buses::kWrite: {
      uint8_t address = 0;
      uint32_t count = 0;
      std::vector<uint8_t> bytes;
      if (!reader.u8(address) || !reader.u32(count) || count > platform::buses::kMaxTransfer ||
          !reader.bytes(bytes, count) || !reader.atEnd()) {
        return {};
      }
      const bool acknowledged = busPresent && monitor_.write(address, bytes.data(), count);
      return reply.u8(acknowledged ? 1 : 0).data();
    }
    case platform::buses::kRead: {
      uint8_t address = 0;
      uint32_t count = 0;
      if (!reader.u8(address) || !reader.u32(count) || count > platform::buses::kMaxTransfer ||
          !reader.atEnd()) {
        return {};
      }
      std::vector<uint8_t> bytes(count, 0);
      const bool acknowledged = busPresent && monitor_.read(address, bytes.data(), count);
      return reply.u8(acknowledged ? 1 : 0).u32(count).bytes(bytes.data(), count).data();
    }
    case platform::buses::kSetMode: {
      uint32_t width = 0, height = 0;
      if (!reader.u32(width) || !reader.u32(height) || !reader.atEnd()) return {};
      bool known = false;
      for (const auto& mode : current.modes)
        known = known || (mode.width == width && mode.height == height);
      if (known && current.plugged) changeSize(width, height);
      return reply.u8(known && current.plugged ? 1 : 0).data();
    }
    default:
      return {};
  }
}

void EmulatorServer::changeSize(uint32_t width, uint32_t height) {
  std::function<void(uint32_t, uint32_t)> observer;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    settings_.width = width;
    settings_.height = height;
    observer = modeObserver_;
  }
  if (observer) observer(width, height);
}

void EmulatorServer::setPlugged(bool plugged) {
  std::lock_guard<std::mutex> lock(mutex_);
  settings_.plugged = plugged;
}

DisplaySettings EmulatorServer::settings() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return settings_;
}

void EmulatorServer::setModeObserver(std::function<void(uint32_t, uint32_t)> observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  modeObserver_ = std::move(observer);
}

}  // namespace emulator
