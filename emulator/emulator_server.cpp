#include "emulator/emulator_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <sstream>

namespace emulator {
namespace {

constexpr uint32_t kMaxSide = 16384;

bool makePrivateDirectory(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid()) {
    return false;
  }
  return chmod(path.c_str(), 0700) == 0;
}

}  // namespace

bool parseSize(const std::string& text, uint32_t& width, uint32_t& height) {
  unsigned long w = 0, h = 0;
  char separator = 0;
  std::istringstream in(text);
  if (!(in >> w >> separator >> h) || separator != 'x' || !in.eof()) return false;
  if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide) return false;
  width = static_cast<uint32_t>(w);
  height = static_cast<uint32_t>(h);
  return true;
}

EmulatorServer::EmulatorServer(QuillmarkMonitor& monitor, DisplaySettings settings)
    : monitor_(monitor), settings_(std::move(settings)) {}

EmulatorServer::~EmulatorServer() {
  stop();
}

bool EmulatorServer::start(const std::string& directory, const std::string& name) {
  if (!makePrivateDirectory(directory)) return false;
  socketPath_ =
      directory + "/" + (name.empty() ? "quillmark-" + std::to_string(getpid()) : name) + ".sock";
  sockaddr_un address{};
  if (socketPath_.size() >= sizeof address.sun_path) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
  listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0 || pipe(wakePipe_) != 0) return false;
  unlink(socketPath_.c_str());
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 8) != 0) {
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

// One client at a time, one request at a time: a display's exchanges never overlap.
void EmulatorServer::serve() {
  while (running_) {
    pollfd waiting[2] = {{listener_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    if (poll(waiting, 2, -1) <= 0 || (waiting[1].revents & POLLIN) != 0) continue;
    const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    std::vector<uint8_t> request;
    while (running_ && emulated::receiveMessage(client, request, 5000)) {
      if (!emulated::sendMessage(client, answer(request))) break;
    }
    close(client);
  }
}

std::vector<uint8_t> EmulatorServer::answer(const std::vector<uint8_t>& request) {
  emulated::MessageReader reader(request);
  emulated::MessageWriter reply;
  uint8_t operation = 0;
  if (!reader.u8(operation)) return {};
  DisplaySettings current = settings();
  const bool busPresent = current.plugged && monitor_.fault() != Fault::NoBus;
  switch (operation) {
    case emulated::kInfo: {
      // An unplugged monitor is no display at all.
      if (!current.plugged || !reader.atEnd()) return {};
      emulated::DisplayInfo info{busPresent ? 1u : 0u, current.width, current.height,
                                 current.modes};
      return emulated::encodeInfo(info);
    }
    case emulated::kWrite: {
      uint8_t address = 0;
      uint32_t count = 0;
      std::vector<uint8_t> bytes;
      if (!reader.u8(address) || !reader.u32(count) || count > emulated::kMaxTransfer ||
          !reader.bytes(bytes, count) || !reader.atEnd()) {
        return {};
      }
      const bool acknowledged = busPresent && monitor_.write(address, bytes.data(), count);
      return reply.u8(acknowledged ? 1 : 0).data();
    }
    case emulated::kRead: {
      uint8_t address = 0;
      uint32_t count = 0;
      if (!reader.u8(address) || !reader.u32(count) || count > emulated::kMaxTransfer ||
          !reader.atEnd()) {
        return {};
      }
      std::vector<uint8_t> bytes(count, 0);
      const bool acknowledged = busPresent && monitor_.read(address, bytes.data(), count);
      return reply.u8(acknowledged ? 1 : 0).u32(count).bytes(bytes.data(), count).data();
    }
    case emulated::kSetMode: {
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

bool EmulatorServer::command(const std::string& line, std::string& error, bool& quit) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  std::string rest;
  std::getline(in >> std::ws, rest);
  auto number = [&rest](int low, int high, int& value) {
    std::istringstream words(rest);
    return (words >> value) && value >= low && value <= high;
  };
  int value = 0;
  if (verb.empty()) return true;
  if (verb == "quit") {
    quit = true;
  } else if (verb == "mode" && number(1, 6, value)) {
    monitor_.pressModeButton(static_cast<uint8_t>(value));
  } else if (verb == "wake" && rest.empty()) {
    monitor_.wake();
  } else if (verb == "threshold") {
    std::istringstream words(rest);
    int type = 0, level = 0;
    if (!(words >> type >> level) || (type != 8 && type != 9 && type != 11) || level < 0 ||
        level > 15) {
      error = "usage: threshold 8|9|11 LEVEL(0-15)";
      return false;
    }
    monitor_.reportThreshold(static_cast<uint8_t>(type), static_cast<uint8_t>(level));
  } else if ((verb == "unplug" || verb == "plug") && rest.empty()) {
    std::lock_guard<std::mutex> lock(mutex_);
    settings_.plugged = verb == "plug";
  } else if (verb == "size") {
    uint32_t width = 0, height = 0;
    if (!parseSize(rest, width, height)) {
      error = "usage: size WxH";
      return false;
    }
    changeSize(width, height);
  } else if (verb == "fault") {
    Fault fault = Fault::None;
    if (!parseFault(rest, fault)) {
      error = "usage: fault none|no-answer|bad-checksum|wrong-code|nak|no-bus";
      return false;
    }
    monitor_.setFault(fault);
  } else {
    error = "unknown command: " + line +
            " (mode N, wake, threshold T L, unplug, plug, size WxH, fault KIND, quit)";
    return false;
  }
  return true;
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
