#pragma once
// The monitor's state as the worker leaves it, looked at on one timer and
// handed to the panel, the settings dialog, the tray and the D-Bus object as
// a Qt signal when anything in it changed.

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <string>

#include "platform/bus_cause.h"

struct MonitorState {
  bool online = false;
  uint8_t showMode = 0;
  uint16_t threshold = 0;
  int32_t thresholdOnMonitor = -1;
  uint8_t resolutionMode = 0;
  uint8_t language = 0;
  platform::BusCause problem = platform::BusCause::kNone;
  std::string problemBus;
  std::string linkLoss;
  bool detectionFinished = false;
  // The session's: the hotkeys act only in the program's window. The
  // desktop may answer after the start (its shortcut dialog).
  bool hotkeysLocal = false;

  static MonitorState now();
  bool operator==(const MonitorState&) const = default;
};

class StateWatch : public QObject {
  Q_OBJECT

 public:
  explicit StateWatch(QObject* parent);
  const MonitorState& state() const { return state_; }

 signals:
  void changed(const MonitorState& before, const MonitorState& now);

 private:
  void look();

  MonitorState state_;
  QTimer timer_;
};

// The program's one watch, started on first use (on the main thread).
StateWatch& stateWatch();
