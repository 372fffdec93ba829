#pragma once
// The Wayland idle protocols: ext_idle_notifier_v1 where the compositor has
// it, else KDE's org_kde_kwin_idle (KWin, sway 1.7). A notification with a
// one-second timeout tells when the seat went idle and when input resumed;
// while it is active, activity is reported once a second. The program's own
// connection to the compositor, dispatched from the Qt event loop.

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "platform/input/idle_source.h"

struct wl_display;
struct wl_registry;
struct wl_seat;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;

namespace platform::input {

class WaylandIdle : public QObject, public IdleSource {
 public:
  ~WaylandIdle() override;
  bool start(std::function<void()> onActivity) override;
  std::string name() const override;

  // Called by the protocol listeners.
  void bind(wl_registry* registry, uint32_t id, const char* interface);
  void setActive(bool active);

 private:
  void dispatch();

  std::function<void()> onActivity_;
  wl_display* display_ = nullptr;
  wl_registry* registry_ = nullptr;
  wl_seat* seat_ = nullptr;
  ext_idle_notifier_v1* notifier_ = nullptr;
  ext_idle_notification_v1* notification_ = nullptr;
  org_kde_kwin_idle* kdeIdle_ = nullptr;
  org_kde_kwin_idle_timeout* kdeTimeout_ = nullptr;
  std::unique_ptr<QSocketNotifier> readable_;
  QTimer heartbeat_;
  bool active_ = true;
};

}  // namespace platform::input
