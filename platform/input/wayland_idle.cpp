#include "platform/input/wayland_idle.h"

#include <wayland-client.h>

#include <cstring>

#include "ext-idle-notify-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"

namespace platform::input {
namespace {

// The user counts as idle after this long without input.
constexpr uint32_t kIdleTimeoutMs = 1000;
constexpr int kActivityIntervalMs = 1000;

void onGlobal(void* data, wl_registry* registry, uint32_t id, const char* interface, uint32_t) {
  static_cast<WaylandIdle*>(data)->bind(registry, id, interface);
}
void onGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener = {onGlobal, onGlobalRemove};

void onIdled(void* data, ext_idle_notification_v1*) {
  static_cast<WaylandIdle*>(data)->setActive(false);
}
void onResumed(void* data, ext_idle_notification_v1*) {
  static_cast<WaylandIdle*>(data)->setActive(true);
}
const ext_idle_notification_v1_listener kNotificationListener = {onIdled, onResumed};

void onKdeIdle(void* data, org_kde_kwin_idle_timeout*) {
  static_cast<WaylandIdle*>(data)->setActive(false);
}
void onKdeResumed(void* data, org_kde_kwin_idle_timeout*) {
  static_cast<WaylandIdle*>(data)->setActive(true);
}
const org_kde_kwin_idle_timeout_listener kKdeTimeoutListener = {onKdeIdle, onKdeResumed};

}  // namespace

WaylandIdle::~WaylandIdle() {
  readable_.reset();
  if (notification_ != nullptr) ext_idle_notification_v1_destroy(notification_);
  if (notifier_ != nullptr) ext_idle_notifier_v1_destroy(notifier_);
  if (kdeTimeout_ != nullptr) org_kde_kwin_idle_timeout_release(kdeTimeout_);
  if (kdeIdle_ != nullptr) org_kde_kwin_idle_destroy(kdeIdle_);
  if (seat_ != nullptr) wl_seat_destroy(seat_);
  if (registry_ != nullptr) wl_registry_destroy(registry_);
  if (display_ != nullptr) wl_display_disconnect(display_);
}

void WaylandIdle::bind(wl_registry* registry, uint32_t id, const char* interface) {
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && seat_ == nullptr) {
    seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, id, &wl_seat_interface, 1));
  } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
    notifier_ = static_cast<ext_idle_notifier_v1*>(
        wl_registry_bind(registry, id, &ext_idle_notifier_v1_interface, 1));
  } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0) {
    kdeIdle_ = static_cast<org_kde_kwin_idle*>(
        wl_registry_bind(registry, id, &org_kde_kwin_idle_interface, 1));
  }
}

bool WaylandIdle::start(std::function<void()> onActivity) {
  display_ = wl_display_connect(nullptr);
  if (display_ == nullptr) return false;
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &kRegistryListener, this);
  if (wl_display_roundtrip(display_) < 0 || seat_ == nullptr ||
      (notifier_ == nullptr && kdeIdle_ == nullptr)) {
    return false;
  }
  if (notifier_ != nullptr) {
    notification_ = ext_idle_notifier_v1_get_idle_notification(notifier_, kIdleTimeoutMs, seat_);
    ext_idle_notification_v1_add_listener(notification_, &kNotificationListener, this);
  } else {
    kdeTimeout_ = org_kde_kwin_idle_get_idle_timeout(kdeIdle_, seat_, kIdleTimeoutMs);
    org_kde_kwin_idle_timeout_add_listener(kdeTimeout_, &kKdeTimeoutListener, this);
  }
  if (wl_display_roundtrip(display_) < 0) return false;
  onActivity_ = std::move(onActivity);
  readable_ = std::make_unique<QSocketNotifier>(wl_display_get_fd(display_), QSocketNotifier::Read);
  QObject::connect(readable_.get(), &QSocketNotifier::activated, this, [this] { dispatch(); });
  QObject::connect(&heartbeat_, &QTimer::timeout, this, [this] {
    if (active_) onActivity_();
  });
  heartbeat_.start(kActivityIntervalMs);
  return true;
}

std::string WaylandIdle::name() const {
  return notification_ != nullptr ? "ext_idle_notifier_v1" : "org_kde_kwin_idle";
}

void WaylandIdle::setActive(bool active) {
  active_ = active;
  if (active && onActivity_) onActivity_();
}

void WaylandIdle::dispatch() {
  // A compositor that went away ends the reports: the seat counts as idle.
  if (wl_display_dispatch(display_) < 0) {
    readable_->setEnabled(false);
    heartbeat_.stop();
    return;
  }
  wl_display_flush(display_);
}

}  // namespace platform::input
