#pragma once
// GNOME's idle time from org.gnome.Mutter.IdleMonitor on the session bus:
// GetIdletime polled once a second; the user was active when it fell.

#include <QObject>
#include <QTimer>

#include "platform/input/idle_source.h"

namespace platform::input {

class MutterIdleMonitor : public QObject, public IdleSource {
 public:
  bool start(std::function<void()> onActivity) override;
  std::string name() const override { return "org.gnome.Mutter.IdleMonitor"; }

 private:
  void poll();

  std::function<void()> onActivity_;
  QTimer timer_;
  QString owner_;  // Mutter's unique name: this user's or root's
  quint64 lastIdleMs_ = 0;
  bool waiting_ = false;
};

}  // namespace platform::input
