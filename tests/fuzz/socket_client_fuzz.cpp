// The emulated displays' reading of the emulator's answers: any bytes decode
// to a bounded answer or to nothing, never past the message.

#include "platform/emulated/socket_protocol.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> message(data, data + size);
  if (const auto info = emulated::decodeInfo(message)) {
    FUZZ_CHECK(info->modes.size() <= emulated::kMaxModes);
    FUZZ_CHECK(emulated::encodeInfo(*info) == message);
  }
  emulated::decodeAcknowledgement(message);
  for (uint32_t count : {0u, 1u, 11u, 128u}) {
    std::vector<uint8_t> out(count, 0);
    if (emulated::decodeReadAnswer(message, count, out.data())) FUZZ_CHECK(size == 5 + count);
  }
  return 0;
}
