// How fast the DDC/CI transport frames writes and requests and validates
// replies, without any bus time.

#include <benchmark/benchmark.h>

#include <cstring>

#include "link/ddc_transport.h"
#include "platform/i2c_request.h"

namespace {

// A connection that answers every request at once with a valid status reply.
class InstantConnection : public platform::I2CConnection {
 public:
  bool sendRequest(platform::I2CRequest& request) override {
    if (request.replyBuffer != nullptr) std::memcpy(request.replyBuffer, kReply, sizeof kReply);
    request.result = 0;
    return true;
  }
  static constexpr uint8_t kReply[11] = {0x01, 0x88, 0x02, 0x00, 0x08, 0x00,
                                         0x00, 0x01, 0x00, 0x02, 0xBF};
};

void BM_DDCWriteFrame(benchmark::State& state) {
  InstantConnection connection;
  const uint8_t packet[2] = {0x01, 0x01};
  for (auto _ : state) benchmark::DoNotOptimize(DDCWrite(&connection, 0x6E, packet, 2, 0x08));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DDCWriteFrame);

void BM_DDCReadStatus(benchmark::State& state) {
  InstantConnection connection;
  const uint8_t request[2] = {0x01, 0x01};
  uint8_t reply[11];
  for (auto _ : state) benchmark::DoNotOptimize(DDCRead(&connection, request, 2, reply, 11, 0x08));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DDCReadStatus);

void BM_ValidateReply(benchmark::State& state) {
  uint8_t reply[11];
  std::memcpy(reply, InstantConnection::kReply, sizeof reply);
  for (auto _ : state) {
    benchmark::DoNotOptimize(isValidStatusReply(reply));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ValidateReply);

}  // namespace

BENCHMARK_MAIN();
