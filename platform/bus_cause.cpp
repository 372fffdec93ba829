#include "platform/bus_cause.h"

#include <cerrno>

namespace platform {

const char* busCauseText(BusCause cause) {
  switch (cause) {
    case BusCause::kNone:
      return "ok";
    case BusCause::kNoDevice:
      return "no such device (is i2c-dev loaded?)";
    case BusCause::kNoAccess:
      return "no access";
    case BusCause::kBusy:
      return "busy: another program holds the bus";
    case BusCause::kNoAnswer:
      return "no answer (is DDC/CI on in the monitor's menu?)";
    case BusCause::kUnsupported:
      return "transfer not supported by the adapter";
  }
  return "unknown";
}

BusCause busCauseOfOpenError(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return BusCause::kNoAccess;
    case EBUSY:
      return BusCause::kBusy;
    default:
      return BusCause::kNoDevice;  // ENOENT, ENODEV, ENXIO
  }
}

// ENXIO, EREMOTEIO, ETIMEDOUT and EIO all mean that nobody acknowledged.
BusCause busCauseOfTransferError(int error) {
  return error == EOPNOTSUPP ? BusCause::kUnsupported : BusCause::kNoAnswer;
}

}  // namespace platform
