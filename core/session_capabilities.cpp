#include "core/session_capabilities.h"

SessionCapabilities& sessionCapabilities() {
  static SessionCapabilities capabilities;
  return capabilities;
}

void resetSessionCapabilities() {
  SessionCapabilities& capabilities = sessionCapabilities();
  capabilities.idleTimeKnown = true;
  capabilities.displayModesChangeable = true;
  capabilities.globalHotkeysUnavailable = false;
}
