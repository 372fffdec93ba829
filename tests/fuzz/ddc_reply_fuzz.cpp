// The reply validation of DDCRead: whatever the monitor answers, the output
// area gets exactly the bytes, and only a reply that keeps every rule passes.

#include <cstring>

#include "link/ddc_transport.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto& platform = fuzzPlatform();
  auto& device = fuzzDevice();
  if (size < 2) return 0;
  device.acknowledges = (data[0] & 1) != 0;
  const uint8_t outputCount = data[1];
  device.reply.assign(data + 2, data + size);
  platform::BusCause cause;
  auto connection = platform.i2cInterfaceOpen({1, 0}, cause);
  uint8_t output[256];
  std::memset(output, 0xEE, sizeof output);
  const uint8_t request[2] = {1, 1};
  const bool valid = DDCRead(connection.get(), request, 2, output, outputCount, 0x08);
  // A refused request phase leaves the reply area zeroed.
  uint8_t reply[11] = {};
  for (size_t i = 0; i < 11 && i < device.reply.size() && device.acknowledges; ++i) {
    reply[i] = device.reply[i];
  }
  FUZZ_CHECK(valid == (device.acknowledges && isValidStatusReply(reply)));
  uint8_t sum = 0x3E;
  for (int i = 1; i <= 9; ++i) sum ^= reply[i];
  FUZZ_CHECK(!valid || (reply[2] == 0x02 && reply[4] == 0x08 && reply[10] == sum));
  const size_t copied = outputCount < 31 ? outputCount : 31;
  for (size_t i = 0; i < copied; ++i) FUZZ_CHECK(output[i] == (i < 11 ? reply[i] : 0));
  for (size_t i = copied; i < sizeof output; ++i) FUZZ_CHECK(output[i] == 0xEE);
  return 0;
}
