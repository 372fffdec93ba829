#pragma once
// A source of input events sent to other programs (the global event monitor).
// The Linux backend provides one over XInput2; without it only the local
// monitor sees events.

#include <functional>

#include "platform/app_framework.h"

namespace platform {

class GlobalEventSource {
 public:
  virtual ~GlobalEventSource() = default;
  // Starts delivering the events sent to other programs (never those for this
  // program's own windows); the callback may be called on any thread.
  virtual bool start(std::function<void(const Event&)> deliver) = 0;
};

}  // namespace platform
