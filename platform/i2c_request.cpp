#include "platform/i2c_request.h"

namespace platform {

bool carryOutRequest(I2CRequest& request, I2CDevice& device,
                     const std::function<void(uint32_t)>& sleepMilliseconds) {
  const bool sends = request.sendTransactionType == kI2CSimpleTransactionType;
  const bool replies = request.replyTransactionType == kI2CSimpleTransactionType;
  if ((sends && request.sendBytes > 0 && request.sendBuffer == nullptr) ||
      (replies && request.replyBytes > 0 && request.replyBuffer == nullptr)) {
    return false;
  }
  bool ok = true;
  if (sends) {
    ok = device.write(static_cast<uint8_t>(request.sendAddress >> 1), request.sendBuffer,
                      request.sendBytes);
  }
  if (ok && replies) {
    if (sends && request.minReplyDelay > 0 && sleepMilliseconds)
      sleepMilliseconds(request.minReplyDelay);
    ok = device.read(static_cast<uint8_t>(request.replyAddress >> 1), request.replyBuffer,
                     request.replyBytes);
  }
  request.result = ok ? 0 : kI2CTransactionFailed;
  return true;
}

}  // namespace platform
