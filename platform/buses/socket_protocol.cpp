#include "platform/buses/socket_protocol.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>

#include "base/private_folder.h"

namespace platform::buses {
namespace {

bool waitFor(int socket, short events, const Deadline& deadline) {
  pollfd descriptor{socket, events, 0};
  int ready;
  do {
    ready = poll(&descriptor, 1, deadline.remainingMs());
  } while (ready < 0 && errno == EINTR);
  return ready == 1 && (descriptor.revents & events) != 0;
}

bool sendAll(int socket, const uint8_t* data, size_t count, const Deadline& deadline) {
  while (count > 0) {
    if (!waitFor(socket, POLLOUT, deadline)) return false;
    const ssize_t sent = send(socket, data, count, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (sent <= 0) return false;
    data += sent;
    count -= static_cast<size_t>(sent);
  }
  return true;
}

bool receiveAll(int socket, uint8_t* data, size_t count, const Deadline& deadline) {
  while (count > 0) {
    if (!waitFor(socket, POLLIN, deadline)) return false;
    const ssize_t received = recv(socket, data, count, MSG_DONTWAIT);
    if (received < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (received <= 0) return false;
    data += received;
    count -= static_cast<size_t>(received);
  }
  return true;
}

}  // namespace

int Deadline::remainingMs() const {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      end_ - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool isDisplaySocketName(const std::string& name) {
  constexpr std::string_view kSuffix = ".sock";
  return name.size() > kSuffix.size() &&
         name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0;
}

bool unixSocketAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  if (path.size() >= sizeof address.sun_path) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

uint32_t messageLength(const uint8_t* header) {
  uint32_t length = 0;
  for (int i = 0; i < 4; ++i) length |= static_cast<uint32_t>(header[i]) << (8 * i);
  return length;
}

std::string socketDirectory() {
  return base::runtimeFolder("displays");
}

MessageWriter& MessageWriter::u8(uint8_t value) {
  data_.push_back(value);
  return *this;
}

MessageWriter& MessageWriter::u32(uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) data_.push_back(static_cast<uint8_t>(value >> shift));
  return *this;
}

MessageWriter& MessageWriter::bytes(const uint8_t* data, uint32_t count) {
  data_.insert(data_.end(), data, data + count);
  return *this;
}

bool MessageReader::u8(uint8_t& value) {
  if (!ok_ || position_ + 1 > data_.size()) return ok_ = false;
  value = data_[position_++];
  return true;
}

bool MessageReader::u32(uint32_t& value) {
  if (!ok_ || position_ + 4 > data_.size()) return ok_ = false;
  value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(data_[position_++]) << (8 * i);
  return true;
}

bool MessageReader::bytes(std::vector<uint8_t>& out, uint32_t count) {
  if (!ok_ || count > data_.size() - position_) return ok_ = false;
  out.assign(data_.begin() + static_cast<long>(position_),
             data_.begin() + static_cast<long>(position_ + count));
  position_ += count;
  return true;
}

std::optional<bool> decodeAcknowledgement(const std::vector<uint8_t>& message) {
  MessageReader reader(message);
  uint8_t acknowledged = 0;
  if (!reader.u8(acknowledged) || !reader.atEnd() || acknowledged > 1) return std::nullopt;
  return acknowledged == 1;
}

std::optional<bool> decodeReadAnswer(const std::vector<uint8_t>& message, uint32_t count,
                                     uint8_t* data) {
  MessageReader reader(message);
  uint8_t acknowledged = 0;
  uint32_t length = 0;
  std::vector<uint8_t> bytes;
  if (!reader.u8(acknowledged) || acknowledged > 1 || !reader.u32(length) || length != count ||
      !reader.bytes(bytes, length) || !reader.atEnd()) {
    return std::nullopt;
  }
  std::copy(bytes.begin(), bytes.end(), data);
  return acknowledged == 1;
}

std::vector<uint8_t> encodeInfo(const DisplayInfo& info) {
  MessageWriter writer;
  writer.u32(info.busCount).u32(info.width).u32(info.height);
  writer.u32(static_cast<uint32_t>(info.modes.size()));
  for (const auto& mode : info.modes) writer.u32(mode.width).u32(mode.height);
  return writer.data();
}

std::optional<DisplayInfo> decodeInfo(const std::vector<uint8_t>& message) {
  MessageReader reader(message);
  DisplayInfo info;
  uint32_t modeCount = 0;
  if (!reader.u32(info.busCount) || !reader.u32(info.width) || !reader.u32(info.height) ||
      !reader.u32(modeCount) || modeCount > kMaxModes || info.busCount > 16) {
    return std::nullopt;
  }
  for (uint32_t i = 0; i < modeCount; ++i) {
    ModeSize mode;
    if (!reader.u32(mode.width) || !reader.u32(mode.height)) return std::nullopt;
    info.modes.push_back(mode);
  }
  if (!reader.atEnd()) return std::nullopt;
  return info;
}

bool sendMessage(int socket, const std::vector<uint8_t>& message, const Deadline& deadline) {
  if (message.size() > kMaxMessageSize) return false;
  std::vector<uint8_t> framed(4);
  const auto length = static_cast<uint32_t>(message.size());
  for (int i = 0; i < 4; ++i) framed[i] = static_cast<uint8_t>(length >> (8 * i));
  framed.insert(framed.end(), message.begin(), message.end());
  return sendAll(socket, framed.data(), framed.size(), deadline);
}

bool receiveMessage(int socket, std::vector<uint8_t>& message, const Deadline& deadline) {
  uint8_t header[4];
  if (!receiveAll(socket, header, 4, deadline)) return false;
  const uint32_t length = messageLength(header);
  if (length > kMaxMessageSize) return false;
  message.resize(length);
  return receiveAll(socket, message.data(), length, deadline);
}

bool exchange(int socket, const std::vector<uint8_t>& request, std::vector<uint8_t>& answer,
              const Deadline& deadline) {
  return sendMessage(socket, request, deadline) && receiveMessage(socket, answer, deadline);
}

Socket::~Socket() {
  if (descriptor_ >= 0) close(descriptor_);
}

int connectTo(const std::string& path, const Deadline& deadline, std::string* why) {
  sockaddr_un address;
  if (!unixSocketAddress(path, address)) return -1;
  const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (socket < 0) return -1;
  constexpr auto kRetryPause = std::chrono::milliseconds(10);
  for (;;) {
    if (connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) break;
    // EAGAIN: the listener's queue is full, as when its process is stopped.
    if ((errno != EAGAIN && errno != EINTR) || deadline.remainingMs() == 0) {
      close(socket);
      return -1;
    }
    std::this_thread::sleep_for(kRetryPause);
  }
  std::string reason;
  if (!peerIsThisUser(socket, reason)) {
    if (why != nullptr) *why = reason;
    close(socket);
    return -1;
  }
  return socket;
}

bool peerIsThisUser(int socket, std::string& why) {
  ucred peer{};
  socklen_t length = sizeof peer;
  if (getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || length != sizeof peer) {
    why = "its peer cannot be identified";
    return false;
  }
  if (peer.uid != geteuid()) {
    why = "it is served by user " + std::to_string(peer.uid) + ", not by you";
    return false;
  }
  return true;
}

}  // namespace platform::buses
