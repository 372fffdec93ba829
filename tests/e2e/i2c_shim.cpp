// A stand-in for i2c-dev and DRM sysfs, preloaded (LD_PRELOAD) into the real
// programs so that their Linux backend runs end to end without hardware:
//   - paths under /sys/class/drm, /sys/class/i2c-dev and /sys/module/i2c_dev
//     are served from a fake tree at $QUILLMARK_SHIM_ROOT;
//   - /dev/i2c-N for every N in $QUILLMARK_SHIM_BUSES ("3,5") opens, and its
//     I2C_RDWR transfers go to the monitor emulator at $QUILLMARK_SHIM_SOCKET
//     (bus $QUILLMARK_SHIM_MONITOR_BUS has the monitor; the others NAK);
//   - while the file $QUILLMARK_SHIM_HELD exists, every bus is locked by
//     "another program" (flock answers EWOULDBLOCK);
//   - every /dev/i2c-N opened is appended to $QUILLMARK_SHIM_LOG.
// Everything else goes to the C library untouched.

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/buses/socket_protocol.h"

namespace {

template <typename Function>
Function real(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

std::string setting(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The fake tree's path for a sysfs path the backend reads, or the path itself.
std::string mapped(const char* path) {
  if (path == nullptr) return {};
  static const char* const kServed[] = {"/sys/class/drm", "/sys/class/i2c-dev",
                                        "/sys/module/i2c_dev", "/sys/devices"};
  for (const char* prefix : kServed) {
    if (std::strncmp(path, prefix, std::strlen(prefix)) == 0) {
      return setting("QUILLMARK_SHIM_ROOT") + path;
    }
  }
  return path;
}

// /dev/i2c-N of the shim -> N, else -1.
int busOf(const char* path) {
  if (path == nullptr || std::strncmp(path, "/dev/i2c-", 9) != 0) return -1;
  char* end = nullptr;
  const long number = std::strtol(path + 9, &end, 10);
  if (end == path + 9 || *end != '\0') return -1;
  const std::string buses = "," + setting("QUILLMARK_SHIM_BUSES") + ",";
  return buses.find("," + std::to_string(number) + ",") != std::string::npos
             ? static_cast<int>(number)
             : -1;
}

struct OpenBus {
  int bus;
  int emulator;  // socket to the emulator, -1 for a bus without the monitor
};
std::mutex gMutex;
std::map<int, OpenBus> gBuses;

void logOpen(int bus) {
  const std::string log = setting("QUILLMARK_SHIM_LOG");
  if (log.empty()) return;
  if (FILE* out = real<FILE* (*)(const char*, const char*)>("fopen")(log.c_str(), "a")) {
    std::fprintf(out, "/dev/i2c-%d\n", bus);
    std::fclose(out);
  }
}

int openBus(int bus) {
  const int fd = real<int (*)(const char*, int, ...)>("open")("/dev/null", O_RDWR | O_CLOEXEC);
  if (fd < 0) return -1;
  int emulator = -1;
  if (std::to_string(bus) == setting("QUILLMARK_SHIM_MONITOR_BUS")) {
    emulator =
        platform::buses::connectTo(setting("QUILLMARK_SHIM_SOCKET"),
                                   platform::buses::Deadline(std::chrono::milliseconds(2000)));
  }
  logOpen(bus);
  std::lock_guard<std::mutex> lock(gMutex);
  gBuses[fd] = {bus, emulator};
  return fd;
}

bool exchange(int emulator, const std::vector<uint8_t>& request, std::vector<uint8_t>& answer) {
  const platform::buses::Deadline deadline(std::chrono::milliseconds(2000));
  return platform::buses::sendMessage(emulator, request, deadline) &&
         platform::buses::receiveMessage(emulator, answer, deadline);
}

// One I2C message through the emulator's socket protocol; false for a NAK.
bool transfer(int emulator, i2c_msg& message) {
  if (emulator < 0) return false;
  platform::buses::MessageWriter request;
  std::vector<uint8_t> answer;
  if (message.flags & I2C_M_RD) {
    request.u8(platform::buses::kRead).u8(static_cast<uint8_t>(message.addr)).u32(message.len);
    return exchange(emulator, request.data(), answer) &&
           platform::buses::decodeReadAnswer(answer, message.len, message.buf).value_or(false);
  }
  request.u8(platform::buses::kWrite).u8(static_cast<uint8_t>(message.addr)).u32(message.len);
  request.bytes(message.buf, message.len);
  return exchange(emulator, request.data(), answer) &&
         platform::buses::decodeAcknowledgement(answer).value_or(false);
}

bool isShimBus(int fd, OpenBus& bus) {
  std::lock_guard<std::mutex> lock(gMutex);
  const auto found = gBuses.find(fd);
  if (found == gBuses.end()) return false;
  bus = found->second;
  return true;
}

}  // namespace

extern "C" {

// The open family's optional mode argument, present with O_CREAT or O_TMPFILE.
#define QUILLMARK_TAKE_MODE(flags)       \
  mode_t mode = 0;                       \
  if ((flags) & (O_CREAT | O_TMPFILE)) { \
    va_list arguments;                   \
    va_start(arguments, flags);          \
    mode = va_arg(arguments, mode_t);    \
    va_end(arguments);                   \
  }

int open(const char* path, int flags, ...) {
  QUILLMARK_TAKE_MODE(flags)
  if (const int bus = busOf(path); bus >= 0) return openBus(bus);
  return real<int (*)(const char*, int, ...)>("open")(mapped(path).c_str(), flags, mode);
}

int open64(const char* path, int flags, ...) {
  QUILLMARK_TAKE_MODE(flags)
  if (const int bus = busOf(path); bus >= 0) return openBus(bus);
  return real<int (*)(const char*, int, ...)>("open64")(mapped(path).c_str(), flags, mode);
}

int openat(int directory, const char* path, int flags, ...) {
  QUILLMARK_TAKE_MODE(flags)
  if (const int bus = busOf(path); bus >= 0) return openBus(bus);
  return real<int (*)(int, const char*, int, ...)>("openat")(directory, mapped(path).c_str(), flags,
                                                             mode);
}

int openat64(int directory, const char* path, int flags, ...) {
  QUILLMARK_TAKE_MODE(flags)
  if (const int bus = busOf(path); bus >= 0) return openBus(bus);
  return real<int (*)(int, const char*, int, ...)>("openat64")(directory, mapped(path).c_str(),
                                                               flags, mode);
}

int fstatat(int directory, const char* path, struct stat* buffer, int flags) {
  return real<int (*)(int, const char*, struct stat*, int)>("fstatat")(
      directory, mapped(path).c_str(), buffer, flags);
}

FILE* fopen(const char* path, const char* mode) {
  return real<FILE* (*)(const char*, const char*)>("fopen")(mapped(path).c_str(), mode);
}

FILE* fopen64(const char* path, const char* mode) {
  return real<FILE* (*)(const char*, const char*)>("fopen64")(mapped(path).c_str(), mode);
}

DIR* opendir(const char* path) {
  return real<DIR* (*)(const char*)>("opendir")(mapped(path).c_str());
}

int stat(const char* path, struct stat* buffer) {
  return real<int (*)(const char*, struct stat*)>("stat")(mapped(path).c_str(), buffer);
}

int lstat(const char* path, struct stat* buffer) {
  return real<int (*)(const char*, struct stat*)>("lstat")(mapped(path).c_str(), buffer);
}

int access(const char* path, int how) {
  if (busOf(path) >= 0) return 0;
  return real<int (*)(const char*, int)>("access")(mapped(path).c_str(), how);
}

char* realpath(const char* path, char* resolved) {
  return real<char* (*)(const char*, char*)>("realpath")(mapped(path).c_str(), resolved);
}

ssize_t readlink(const char* path, char* buffer, size_t size) {
  return real<ssize_t (*)(const char*, char*, size_t)>("readlink")(mapped(path).c_str(), buffer,
                                                                   size);
}

int flock(int fd, int operation) {
  OpenBus bus{};
  if (isShimBus(fd, bus) && (operation & LOCK_EX) != 0 &&
      real<int (*)(const char*, int)>("access")(setting("QUILLMARK_SHIM_HELD").c_str(), F_OK) ==
          0) {
    errno = EWOULDBLOCK;
    return -1;
  }
  return real<int (*)(int, int)>("flock")(fd, operation);
}

int ioctl(int fd, unsigned long request, ...) {
  va_list arguments;
  va_start(arguments, request);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);
  OpenBus bus{};
  if (!isShimBus(fd, bus))
    return real<int (*)(int, unsigned long, void*)>("ioctl")(fd, request, argument);
  if (request != I2C_RDWR) {
    errno = ENOTTY;
    return -1;
  }
  auto* transaction = static_cast<i2c_rdwr_ioctl_data*>(argument);
  for (uint32_t i = 0; i < transaction->nmsgs; ++i) {
    if (!transfer(bus.emulator, transaction->msgs[i])) {
      errno = EREMOTEIO;
      return -1;
    }
  }
  return static_cast<int>(transaction->nmsgs);
}

int close(int fd) {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    const auto found = gBuses.find(fd);
    if (found != gBuses.end()) {
      if (found->second.emulator >= 0) real<int (*)(int)>("close")(found->second.emulator);
      gBuses.erase(found);
    }
  }
  return real<int (*)(int)>("close")(fd);
}

}  // extern "C"
