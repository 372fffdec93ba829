#include "core/session_capabilities.h"

namespace {

SessionCapabilities& capabilities() {
  static SessionCapabilities held;
  return held;
}

}  // namespace

const SessionCapabilities& sessionCapabilities() {
  return capabilities();
}

void setSessionCapabilities(bool idleTimeKnown, bool displayModesChangeable) {
  capabilities().idleTimeKnown = idleTimeKnown;
  capabilities().displayModesChangeable = displayModesChangeable;
}

void setGlobalHotkeysCarried(bool carried) {
  capabilities().globalHotkeysUnavailable = !carried;
}

void resetSessionCapabilities() {
  setSessionCapabilities(true, true);
  setGlobalHotkeysCarried(true);
}
