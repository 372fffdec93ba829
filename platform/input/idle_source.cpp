#include "platform/input/idle_source.h"

#include "platform/input/mutter_idle_monitor.h"
#include "platform/input/wayland_idle.h"

namespace platform::input {

std::unique_ptr<IdleSource> startIdleSource(const session::SessionType& session,
                                            std::function<void()> onActivity) {
  if (!session.wayland) return nullptr;
  auto mutter = std::make_unique<MutterIdleMonitor>();
  if (mutter->start(onActivity)) return mutter;
  auto protocols = std::make_unique<WaylandIdle>();
  if (protocols->start(onActivity)) return protocols;
  return nullptr;
}

}  // namespace platform::input
