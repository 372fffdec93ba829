#pragma once
// A /dev/i2c-N bus: DDC/CI and EDID transfers through i2c-dev, paced as a
// DDC/CI host must pace them. The system calls and the clock go through a
// thin seam so that tests see the exact messages and pauses.

#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/types.h>

#include <memory>
#include <string>

#include "platform/bus_cause.h"
#include "platform/display_services.h"

namespace platform::buses {

class I2CSyscalls {
 public:
  virtual ~I2CSyscalls() = default;
  virtual int open(const char* path, int flags) = 0;
  virtual int close(int fd) = 0;
  virtual int flock(int fd, int operation) = 0;
  virtual int rdwr(int fd, i2c_rdwr_ioctl_data* data) = 0;  // ioctl(I2C_RDWR)
  virtual void sleepMilliseconds(uint32_t milliseconds) = 0;
  // A monotonic clock in milliseconds.
  virtual uint64_t nowMs() = 0;
};

I2CSyscalls& realI2CSyscalls();

// Another DDC tool's exchange is waited out this long, polling the lock.
constexpr uint32_t kLockWaitMs = 1000;
constexpr uint32_t kLockPollMs = 20;

// One open bus, locked against other DDC tools for as long as it is open.
class I2CDevConnection : public I2CConnection, public I2CDevice {
 public:
  // nullptr when the bus cannot be opened or stays held by another program;
  // cause says why.
  static std::unique_ptr<I2CDevConnection> open(I2CSyscalls& syscalls, const std::string& path,
                                                BusCause* cause = nullptr);
  ~I2CDevConnection() override;

  bool sendRequest(I2CRequest& request) override;
  bool write(uint8_t address7, const uint8_t* data, uint32_t count) override;
  bool read(uint8_t address7, uint8_t* data, uint32_t count) override;

 private:
  I2CDevConnection(I2CSyscalls& syscalls, int fd, std::string path)
      : syscalls_(syscalls), fd_(fd), path_(std::move(path)) {}
  bool transfer(uint8_t address7, uint16_t flags, uint8_t* data, uint32_t count);

  I2CSyscalls& syscalls_;
  int fd_;
  std::string path_;
  BusCause lastCause_ = BusCause::kNone;  // of the last transfer, for its request
};

}  // namespace platform::buses
