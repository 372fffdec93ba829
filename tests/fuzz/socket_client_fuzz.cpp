// The emulated displays' reading of the emulator's answers: any bytes decode
// to a bounded answer or to nothing, never past the message. The same bytes
// also come from a real peer that answers at once, trickles, stalls or hangs
// up, and reading them ends within the exchange's deadline.

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/buses/socket_protocol.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

enum Peer : uint8_t { kPrompt, kTrickle, kStall, kVanish };

void checkDecoding(const std::vector<uint8_t>& message) {
  if (const auto info = platform::buses::decodeInfo(message)) {
    FUZZ_CHECK(info->modes.size() <= platform::buses::kMaxModes);
    FUZZ_CHECK(platform::buses::encodeInfo(*info) == message);
  }
  platform::buses::decodeAcknowledgement(message);
  for (uint32_t count : {0u, 1u, 11u, 128u}) {
    std::vector<uint8_t> out(count, 0);
    if (platform::buses::decodeReadAnswer(message, count, out.data()))
      FUZZ_CHECK(message.size() == 5 + count);
  }
}

// The peer sends the bytes as the first input byte says, over a real socket.
void checkReceiving(Peer peer, const std::vector<uint8_t>& sent) {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
  std::thread sender([peer, &sent, end = ends[1]] {
    const size_t chunk = peer == kTrickle ? 1 : sent.size();
    for (size_t done = 0; done < sent.size(); done += chunk) {
      if (send(end, sent.data() + done, std::min(chunk, sent.size() - done), MSG_NOSIGNAL) < 0) {
        break;
      }
      if (peer == kTrickle) std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    if (peer == kVanish) shutdown(end, SHUT_WR);
  });
  constexpr auto kBudget = std::chrono::milliseconds(5);
  const auto start = std::chrono::steady_clock::now();
  std::vector<uint8_t> message;
  const bool received =
      platform::buses::receiveMessage(ends[0], message, platform::buses::Deadline(kBudget));
  const auto spent = std::chrono::steady_clock::now() - start;
  // Generous against a loaded machine; a deadline restarted per chunk would
  // run far past it on a long trickle.
  FUZZ_CHECK(spent < kBudget + std::chrono::seconds(1));
  if (received) {
    uint32_t length = 0;
    FUZZ_CHECK(sent.size() >= 4);
    std::memcpy(&length, sent.data(), 4);
    FUZZ_CHECK(length <= platform::buses::kMaxMessageSize && 4 + length <= sent.size());
    FUZZ_CHECK(std::equal(message.begin(), message.end(), sent.begin() + 4) &&
               message.size() == length);
  }
  close(ends[0]);
  sender.join();
  close(ends[1]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> message(data, data + size);
  checkDecoding(message);
  if (size > 0 && size <= 4 + platform::buses::kMaxMessageSize) {
    checkReceiving(static_cast<Peer>(data[0] % 4), std::vector<uint8_t>(data + 1, data + size));
  }
  return 0;
}
