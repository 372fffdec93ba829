#pragma once
// The DDC/CI host timing, kept per bus across the connections that open and
// close it for every exchange: after a write the monitor gets
// kPauseAfterWriteMs before the next message on its bus, and the pause is
// taken only when that time has not passed anyway. (The reply to a request
// is read after the request's minimum reply delay, 60 ms, above the 40 ms
// the standard asks of a host.)

#include <cstdint>
#include <functional>
#include <string>

namespace platform::buses {

constexpr uint32_t kPauseAfterWriteMs = 50;

// The monotonic clock the pacing is kept on, in milliseconds.
uint64_t steadyNowMs();

// Pauses, through sleepMilliseconds, as long as the bus still needs after its last write
// (or, on a bus this process has not used before, the full sleepMilliseconds).
void paceBeforeMessage(const std::string& bus, uint64_t nowMs,
                       const std::function<void(uint32_t)>& sleepMilliseconds);
void recordMessage(const std::string& bus, uint64_t nowMs, bool wasWrite);

}  // namespace platform::buses
