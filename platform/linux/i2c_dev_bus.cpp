#include "platform/linux/i2c_dev_bus.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace platform::linux_backend {
namespace {

class RealSyscalls : public I2CSyscalls {
 public:
  int open(const char* path, int flags) override { return ::open(path, flags); }
  int close(int fd) override { return ::close(fd); }
  int flock(int fd, int operation) override { return ::flock(fd, operation); }
  int rdwr(int fd, i2c_rdwr_ioctl_data* data) override { return ::ioctl(fd, I2C_RDWR, data); }
  int slave(int fd, unsigned long address) override { return ::ioctl(fd, I2C_SLAVE, address); }
  ssize_t read(int fd, void* buffer, size_t count) override { return ::read(fd, buffer, count); }
  ssize_t write(int fd, const void* buffer, size_t count) override {
    return ::write(fd, buffer, count);
  }
  void pause(uint32_t milliseconds) override {
    timespec remaining{static_cast<time_t>(milliseconds / 1000),
                       static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
  }
};

// I2C messages carry at most this many bytes in one transfer (i2c-dev's limit).
constexpr uint32_t kMaxTransfer = 8192;

}  // namespace

I2CSyscalls& realI2CSyscalls() {
  static RealSyscalls syscalls;
  return syscalls;
}

std::unique_ptr<I2CDevConnection> I2CDevConnection::open(I2CSyscalls& syscalls,
                                                         const std::string& path) {
  const int fd = syscalls.open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return nullptr;
  // Another DDC tool in the middle of an exchange: this bus is not ours now.
  if (syscalls.flock(fd, LOCK_EX | LOCK_NB) != 0) {
    syscalls.close(fd);
    return nullptr;
  }
  return std::unique_ptr<I2CDevConnection>(new I2CDevConnection(syscalls, fd));
}

I2CDevConnection::~I2CDevConnection() {
  syscalls_.flock(fd_, LOCK_UN);
  syscalls_.close(fd_);
}

bool I2CDevConnection::sendRequest(I2CRequest& request) {
  return carryOutRequest(request, *this, [this](uint32_t ms) { syscalls_.pause(ms); });
}

bool I2CDevConnection::transfer(uint8_t address7, uint16_t flags, uint8_t* data, uint32_t count) {
  if (count == 0 || count > kMaxTransfer || data == nullptr) return false;
  i2c_msg message{address7, flags, static_cast<uint16_t>(count), data};
  i2c_rdwr_ioctl_data transaction{&message, 1};
  const int done = syscalls_.rdwr(fd_, &transaction);
  if (done == 1) return true;
  if (done >= 0 || errno != EINVAL) return false;
  // Some drivers take no combined transfers: plain read() and write() at the address.
  if (syscalls_.slave(fd_, address7) != 0) return false;
  const ssize_t moved =
      (flags & I2C_M_RD) ? syscalls_.read(fd_, data, count) : syscalls_.write(fd_, data, count);
  return moved == static_cast<ssize_t>(count);
}

bool I2CDevConnection::write(uint8_t address7, const uint8_t* data, uint32_t count) {
  return transfer(address7, 0, const_cast<uint8_t*>(data), count);
}

bool I2CDevConnection::read(uint8_t address7, uint8_t* data, uint32_t count) {
  return transfer(address7, I2C_M_RD, data, count);
}

}  // namespace platform::linux_backend
