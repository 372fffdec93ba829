// The worker, the screen-saver counter and the main thread at once, as in the
// running program: the shared values must be free of data races (run under
// ThreadSanitizer by the test script).

#include <thread>

#include "core/app_delegate.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "platform/key_codes.h"
#include "tests/support/fixture.h"

namespace {

class ConcurrencyTest : public ModelTest {};

TEST_P(ConcurrencyTest, WorkerCounterAndHotkeysTogether) {
  auto& monitor = attachMonitor(1);
  platform.recordRequests = false;
  platform.captureOutput = false;
  FreshHandSoftEnable = 1;
  FreshHandHardEnable = 1;
  ScreenSaveTime = 3;
  AppDelegate delegate;
  delegate.heartPass();  // connected before the threads start
  PauseFlag = 0;
  std::atomic<bool> running{true};
  std::thread worker([&] {
    while (running) delegate.heartPass();
  });
  std::thread counter([&] {
    while (running) delegate.screenSaverTick();
  });
  // Until both sides have done plenty: the worker may start late.
  for (int i = 0; i < 3000 || monitor.state().heartbeats < 500; ++i) {
    const uint16_t key = i % 3 == 0   ? platform::kKeyU
                         : i % 3 == 1 ? platform::kKeyD
                                      : platform::kKeyX;
    delegate.handleActivityEvent({platform::kEventKeyDown, platform::kModifierControl, key, true});
    if (i % 100 == 0) {
      ShowMode = static_cast<uint8_t>(1 + i % 3);
      ViewControllerModeChangeFlag = 1;
      monitor.pressModeButton(static_cast<uint8_t>(1 + i % 3));
    }
    platform.drainMainQueue();
  }
  running = false;
  worker.join();
  counter.join();
  EXPECT_EQ(monitor.state().malformedFrames, 0u);
  EXPECT_GT(monitor.state().heartbeats, 0u);
  EXPECT_LE(Threshold.load(), 420);
}

INSTANTIATE_FOR_BOTH_MODELS(ConcurrencyTest);

}  // namespace
