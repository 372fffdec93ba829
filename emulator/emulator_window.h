#pragma once
// The emulator's window: the simulated monitor as its user would see it, and
// the monitor's own buttons.

#include <QWidget>

#include "emulator/emulator_server.h"

class QLabel;
class QFrame;

namespace emulator {

class EmulatorWindow : public QWidget {
 public:
  EmulatorWindow(QuillmarkMonitor& monitor, EmulatorServer& server);

 private:
  void refresh();
  void runCommand(const std::string& command);

  QuillmarkMonitor& monitor_;
  EmulatorServer& server_;
  QFrame* panel_;
  QLabel* mode_;
  QLabel* threshold_;
  QLabel* resolution_;
  QLabel* screen_;
  QLabel* heartbeat_;
  uint32_t lastClears_ = 0;
  uint32_t lastHeartbeats_ = 0;
  int flashTicks_ = 0;
};

}  // namespace emulator
