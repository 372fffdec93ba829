// The worker's decoding of status replies: any reply of a sound frame leaves
// the display mode and the flags within what the worker may set.

#include "base/model_profile.h"
#include "core/app_delegate.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "link/monitor_commands.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzPlatform();
  if (size < 4) return 0;
  base::selectProfile((data[0] & 1) ? base::tenorProfile() : base::altoProfile());
  ResCommMode = static_cast<uint8_t>(1 + (data[1] & 1));
  ShowMode = static_cast<uint8_t>(1 + data[2] % 6);
  const uint8_t modeBefore = ShowMode.load();
  // The reply: the fuzzer's bytes at 7 (event type) and 9 (data), framed soundly.
  std::vector<uint8_t> reply = testing_platform::statusReply(1, data[3], size > 4 ? data[4] : 0);
  if (size > 5) reply[9] = data[5];
  uint8_t sum = 0x3E;
  for (int i = 1; i <= 9; ++i) sum ^= reply[i];
  reply[10] = sum;
  fuzzDevice().acknowledges = true;
  fuzzDevice().reply = reply;
  static AppDelegate delegate;
  TLMonitorID = 1;
  MonitorOnline = 1;
  PauseFlag = 0;
  delegate.heartPass();
  fuzzPlatform().drainMainQueue();
  FUZZ_CHECK(MonitorOnline.load() == 1);
  FUZZ_CHECK(ShowMode.load() == modeBefore || (ShowMode.load() >= 1 && ShowMode.load() <= 6));
  FUZZ_CHECK(Threshold.load() <= 420);
  FUZZ_CHECK(ButtonScreenSaveCancelFlag.load() <= 1);
  return 0;
}
