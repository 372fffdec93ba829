// A simulated day of the worker and the screen-saver counter against the
// emulated monitor, with random faults, monitor events and requests from the
// user's side, checking what must always hold.

#include <random>
#include <set>

#include "core/app_delegate.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "platform/key_codes.h"
#include "tests/support/fixture.h"

namespace {

using testing_platform::TestDisplay;

constexpr int kPasses = 150000;  // about a day of passes of 0.56 s
constexpr size_t kMostLogBytesPerPass = 2048;
constexpr int kPassesToRecover = 5;
constexpr int kPassesToServeARequest = 2;

// Thresholds that may stand: the 0..255 scale, a level the monitor reported
// (which may lie above it), and such a level lowered by the contrast-down hotkey.
std::set<int> allowedThresholds() {
  std::set<int> allowed;
  for (int t = 0; t <= 255; ++t) allowed.insert(t);
  for (int level = 0; level <= 15; ++level) {
    for (int reported :
         {level * 28, (level - 1) * 15 + 130, (level - 1) * 15 + 80, (level - 1) * 23 + 50}) {
      for (int lowered = reported; lowered >= 0; lowered -= 10) allowed.insert(lowered);
    }
  }
  return allowed;
}

class SoakTest : public ModelTest {
 protected:
  enum class Fault { None, NoAnswer, BadChecksum, WrongCode, Nak, NoBus, Unplugged };

  void startFault(Fault fault) {
    current = fault;
    switch (fault) {
      case Fault::NoAnswer:
        monitor->setFault(emulator::Fault::NoAnswer);
        break;
      case Fault::BadChecksum:
        monitor->setFault(emulator::Fault::BadChecksum);
        break;
      case Fault::WrongCode:
        monitor->setFault(emulator::Fault::WrongCode);
        break;
      case Fault::Nak:
        monitor->setFault(emulator::Fault::Nak);
        break;
      case Fault::NoBus:
        platform.displayList[0].buses[0].opens = false;
        break;
      case Fault::Unplugged:
        unplugged = platform.displayList[0];
        platform.displayList.clear();
        break;
      case Fault::None:
        break;
    }
  }

  void endFault() {
    monitor->setFault(emulator::Fault::None);
    if (current == Fault::Unplugged) platform.displayList.push_back(unplugged);
    platform.displayList[0].buses[0].opens = true;
    current = Fault::None;
  }

  void userRequest(std::mt19937& random) {
    switch (random() % 5) {
      case 0: {
        const uint8_t family = ResCommMode.load() == 2 ? 3 : 0;
        ShowMode = static_cast<uint8_t>(family + 1 + random() % 3);
        ViewControllerModeChangeFlag = 1;
        break;
      }
      case 1:
        ResCommMode = static_cast<uint8_t>(1 + random() % 2);
        ViewControllerResChangeFlag = 1;
        break;
      case 2:
        requestThreshold(static_cast<uint16_t>(random() % 256));
        break;
      case 3:
        ClearBlurFlag = 2;
        break;
      default:
        delegate.handleActivityEvent(
            {platform::kEventKeyDown, platform::kModifierControl,
             static_cast<uint16_t>(random() % 2 ? platform::kKeyU : platform::kKeyD), true});
    }
  }

  void monitorEvent(std::mt19937& random) {
    switch (random() % 3) {
      case 0:
        monitor->pressModeButton(static_cast<uint8_t>(1 + random() % 6));
        break;
      case 1:
        monitor->wake();
        break;
      default: {
        const uint8_t types[] = {8, 9, 11};
        monitor->reportThreshold(types[random() % 3], static_cast<uint8_t>(random() % 16));
      }
    }
  }

  AppDelegate delegate;
  emulator::QuillmarkMonitor* monitor = nullptr;
  Fault current = Fault::None;
  TestDisplay unplugged;
};

TEST_P(SoakTest, ADayOfFaultsEventsAndRequests) {
  monitor = &attachMonitor(1);
  platform.recordRequests = false;
  platform.captureOutput = false;
  FreshHandSoftEnable = 1;
  FreshHandHardEnable = 1;
  PauseFlag = 0;
  ScreenSaveTime = 30;
  const std::set<int> allowed = allowedThresholds();
  std::mt19937 random(20261208);

  int faultPassesLeft = 0;
  int passesSinceFaultEnded = 0;
  int faults = 0, events = 0, requests = 0, recoveries = 0;
  std::array<int, 3> raisedAt = {-1, -1, -1};  // mode, resolution, threshold requests
  std::array<std::atomic<uint8_t>*, 3> flags = {&ViewControllerModeChangeFlag,
                                                &ViewControllerResChangeFlag,
                                                &SettingViewControllerThresholdFlag};
  bool linkSteady = false;

  for (int pass = 0; pass < kPasses; ++pass) {
    if (current == Fault::None && random() % 500 == 0) {
      startFault(static_cast<Fault>(1 + random() % 6));
      faultPassesLeft = 1 + static_cast<int>(random() % 30);
      ++faults;
    } else if (current != Fault::None && --faultPassesLeft == 0) {
      endFault();
      passesSinceFaultEnded = 0;
      ++recoveries;
    }
    if (random() % 100 == 0) {
      monitorEvent(random);
      ++events;
    }
    if (random() % 50 == 0) {
      userRequest(random);
      ++requests;
    }
    for (size_t i = 0; i < flags.size(); ++i) {
      if (flags[i]->load() == 1 && raisedAt[i] < 0) raisedAt[i] = pass;
    }
    if (pass % 2 == 0) delegate.screenSaverTick();

    const size_t logBefore = platform.outputBytes;
    const bool onlineBefore = MonitorOnline.load() == 1;
    delegate.heartPass();
    platform.drainMainQueue();
    ASSERT_LE(platform.outputBytes - logBefore, kMostLogBytesPerPass) << "pass " << pass;
    ASSERT_TRUE(allowed.count(Threshold.load())) << Threshold.load() << " at pass " << pass;

    // Requests are served within two passes while the link is up and sound.
    linkSteady = onlineBefore && MonitorOnline.load() == 1 && current == Fault::None;
    for (size_t i = 0; i < flags.size(); ++i) {
      if (flags[i]->load() == 0) {
        raisedAt[i] = -1;
      } else if (raisedAt[i] < 0 || !linkSteady) {
        raisedAt[i] = pass;
      } else {
        ASSERT_LE(pass - raisedAt[i], kPassesToServeARequest) << "flag " << i << " at " << pass;
      }
    }
    // The link always comes back once a fault ends.
    if (current == Fault::None && ++passesSinceFaultEnded == kPassesToRecover + 1) {
      ASSERT_EQ(MonitorOnline.load(), 1) << "no recovery by pass " << pass;
    }
  }
  EXPECT_EQ(monitor->state().malformedFrames, 0u);
  EXPECT_GT(faults, 200);
  EXPECT_GT(events, 1000);
  EXPECT_GT(requests, 2000);
  EXPECT_GT(recoveries, 200);
  // A simulated day on the virtual clock.
  EXPECT_GT(platform.now, 86400.0);
}

INSTANTIATE_FOR_BOTH_MODELS(SoakTest);

}  // namespace
