#pragma once
// Why a step with a display's bus failed, for the log, the main panel's
// status line and --diagnose. The functions the monitor link names keep
// their boolean results; this says what the user can act on.

#include <cstdint>

namespace platform {

enum class BusCause : uint8_t {
  kNone,         // it worked, or nothing was tried
  kNoDevice,     // no /dev/i2c-N: i2c-dev is not loaded, or the bus went away
  kNoAccess,     // the user may not open the bus (udev rule not in effect yet)
  kBusy,         // another program holds the bus
  kNoAnswer,     // the monitor did not answer (DDC/CI off in its menu, or no monitor)
  kUnsupported,  // the adapter cannot do the transfer
};

// A short English text ("no access", "busy" ...), for log lines.
const char* busCauseText(BusCause cause);
// The cause of an errno from opening a bus, and from a transfer on it.
BusCause busCauseOfOpenError(int error);
BusCause busCauseOfTransferError(int error);

}  // namespace platform
