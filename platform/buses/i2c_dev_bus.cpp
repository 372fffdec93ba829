#include "platform/buses/i2c_dev_bus.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/buses/bus_pacing.h"

namespace platform::buses {
namespace {

class RealSyscalls : public I2CSyscalls {
 public:
  int open(const char* path, int flags) override { return ::open(path, flags); }
  int close(int fd) override { return ::close(fd); }
  int flock(int fd, int operation) override { return ::flock(fd, operation); }
  int rdwr(int fd, i2c_rdwr_ioctl_data* data) override { return ::ioctl(fd, I2C_RDWR, data); }
  void sleepMilliseconds(uint32_t milliseconds) override {
    timespec remaining{static_cast<time_t>(milliseconds / 1000),
                       static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
  }
  uint64_t nowMs() override { return steadyNowMs(); }
};

// I2C messages carry at most this many bytes in one transfer (i2c-dev's limit).
constexpr uint32_t kMaxTransfer = 8192;

}  // namespace

I2CSyscalls& realI2CSyscalls() {
  static RealSyscalls syscalls;
  return syscalls;
}

std::unique_ptr<I2CDevConnection> I2CDevConnection::open(I2CSyscalls& syscalls,
                                                         const std::string& path, BusCause* cause) {
  BusCause ignored;
  BusCause& why = cause != nullptr ? *cause : ignored;
  const int fd = syscalls.open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    why = busCauseOfOpenError(errno);
    return nullptr;
  }
  // Another DDC tool in the middle of an exchange: wait it out, bounded, so
  // that a short exchange of another program is not a monitor failure.
  for (uint32_t waited = 0; syscalls.flock(fd, LOCK_EX | LOCK_NB) != 0; waited += kLockPollMs) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= kLockWaitMs) {
      why = BusCause::kBusy;
      syscalls.close(fd);
      return nullptr;
    }
    syscalls.sleepMilliseconds(kLockPollMs);
  }
  why = BusCause::kNone;
  return std::unique_ptr<I2CDevConnection>(new I2CDevConnection(syscalls, fd, path));
}

I2CDevConnection::~I2CDevConnection() {
  syscalls_.flock(fd_, LOCK_UN);
  syscalls_.close(fd_);
}

bool I2CDevConnection::sendRequest(I2CRequest& request) {
  lastCause_ = BusCause::kNone;
  const bool issued =
      carryOutRequest(request, *this, [this](uint32_t ms) { syscalls_.sleepMilliseconds(ms); });
  request.cause = lastCause_;
  return issued;
}

// One I2C_RDWR message. Adapters that cannot do plain I2C answer EOPNOTSUPP,
// and read()/write() would need the same ability, so there is no fallback.
bool I2CDevConnection::transfer(uint8_t address7, uint16_t flags, uint8_t* data, uint32_t count) {
  if (count == 0 || count > kMaxTransfer || data == nullptr) return false;
  paceBeforeMessage(path_, syscalls_.nowMs(),
                    [this](uint32_t ms) { syscalls_.sleepMilliseconds(ms); });
  i2c_msg message{address7, flags, static_cast<uint16_t>(count), data};
  i2c_rdwr_ioctl_data transaction{&message, 1};
  const int done = syscalls_.rdwr(fd_, &transaction);
  const int error = errno;
  recordMessage(path_, syscalls_.nowMs(), (flags & I2C_M_RD) == 0);
  lastCause_ = done == 1 ? BusCause::kNone : busCauseOfTransferError(done < 0 ? error : EREMOTEIO);
  return done == 1;
}

bool I2CDevConnection::write(uint8_t address7, const uint8_t* data, uint32_t count) {
  return transfer(address7, 0, const_cast<uint8_t*>(data), count);
}

bool I2CDevConnection::read(uint8_t address7, uint8_t* data, uint32_t count) {
  return transfer(address7, I2C_M_RD, data, count);
}

}  // namespace platform::buses
