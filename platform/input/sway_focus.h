#pragma once
// The focused application on sway (and i3-IPC compositors): the window
// events of the socket SWAYSOCK names, after the tree's focused window at
// start. A socket whose peer is not this user's is not used; a lost
// connection is tried again every few seconds until the compositor is back.

#include <QByteArray>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "platform/input/focus_source.h"

namespace platform::input {

class SwayFocus : public FocusSource {
 public:
  ~SwayFocus() override;
  // False when path is no socket of this user's that answers i3-IPC.
  bool start(const std::string& path, FocusReport report);
  std::string name() const override { return "sway's IPC window events"; }

 private:
  bool connectOnce();
  void drop();
  bool send(uint32_t type, const QByteArray& payload);
  void readMessages();
  void take(uint32_t type, const QByteArray& payload);

  std::string path_;
  int socket_ = -1;
  std::unique_ptr<QSocketNotifier> readable_;
  QByteArray pending_;
  QTimer retry_;
  FocusReport report_;
};

}  // namespace platform::input
