#pragma once
// The I2C request record and how one record is carried out on a device that
// only knows plain writes and reads. Every backend (the real i2c-dev buses,
// the emulated displays and the test buses) shares this so that a record
// means the same thing everywhere.

#include <cstdint>
#include <functional>

#include "platform/bus_cause.h"

namespace platform {

enum : uint32_t { kI2CNoTransactionType = 0, kI2CSimpleTransactionType = 1 };

// The fields of the framebuffer I2C request record, in the platform's order.
// Addresses are 8-bit (write/read form): 0x6E/0x6F for DDC/CI, 0xA0/0xA1 for EDID.
struct I2CRequest {
  uint32_t sendTransactionType = 0;
  uint32_t replyTransactionType = 0;
  uint32_t sendAddress = 0;
  uint32_t replyAddress = 0;
  uint8_t sendSubAddress = 0;
  uint8_t replySubAddress = 0;
  uint32_t minReplyDelay = 0;  // milliseconds on this port
  int32_t result = 0;          // 0 = the transaction succeeded
  uint32_t commFlags = 0;
  uint32_t sendBytes = 0;
  uint32_t replyBytes = 0;
  uint8_t* sendBuffer = nullptr;
  uint8_t* replyBuffer = nullptr;
  // Why the transaction failed, where the bus tells (kNone when it worked or
  // the bus gives no reason).
  BusCause cause = BusCause::kNone;
};

// Non-zero value reported in I2CRequest::result when a phase fails.
constexpr int32_t kI2CTransactionFailed = -1;

// A device on a bus that takes whole write and read transfers at a 7-bit address.
class I2CDevice {
 public:
  virtual ~I2CDevice() = default;
  virtual bool write(uint8_t address7, const uint8_t* data, uint32_t count) = 0;
  virtual bool read(uint8_t address7, uint8_t* data, uint32_t count) = 0;
};

// Carries out the record's write phase, the minimum reply delay (only when a
// write came first) and its read phase; sets result. Returns false only when
// the record itself is malformed (a phase with a byte count but no buffer),
// which the caller treats like a failed platform call.
bool carryOutRequest(I2CRequest& request, I2CDevice& device,
                     const std::function<void(uint32_t milliseconds)>& sleepMilliseconds);

}  // namespace platform
