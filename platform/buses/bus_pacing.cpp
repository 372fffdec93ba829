#include "platform/buses/bus_pacing.h"

#include <chrono>
#include <map>
#include <mutex>

namespace platform::buses {
namespace {

struct LastMessage {
  uint64_t endMs = 0;
  bool wasWrite = false;
};
std::mutex gMutex;
std::map<std::string, LastMessage> gLastMessages;

}  // namespace

uint64_t steadyNowMs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

void paceBeforeMessage(const std::string& bus, uint64_t nowMs,
                       const std::function<void(uint32_t)>& sleepMilliseconds) {
  LastMessage last;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    // A bus this process has not used yet may just have had a write from
    // another program: the first message waits as if after a write.
    const auto [entry, first] = gLastMessages.try_emplace(bus, LastMessage{nowMs, true});
    last = entry->second;
  }
  if (!last.wasWrite || nowMs < last.endMs) return;
  // Whole milliseconds on both ends: one more makes the real gap the full pause.
  const uint64_t since = nowMs - last.endMs;
  const uint64_t needed = kPauseAfterWriteMs + 1;
  if (since < needed) sleepMilliseconds(static_cast<uint32_t>(needed - since));
}

void recordMessage(const std::string& bus, uint64_t nowMs, bool wasWrite) {
  std::lock_guard<std::mutex> lock(gMutex);
  gLastMessages[bus] = {nowMs, wasWrite};
}

}  // namespace platform::buses
