#pragma once
// The monitor worker (heart loop) and the screen-saver counter. The worker is
// the only code that talks to the monitor; everything else raises Runtime
// flags that a working pass carries out.

#include <cstdint>

class MonitorWorker {
 public:
  // One pass each; the two background threads call them for ever.
  void heartPass();
  void screenSaverTick();

 private:
  void connectMonitor();
  void workingPass();
  void decodeStatus(const uint8_t* reply);

  uint8_t resendCounter_ = 0;
};
