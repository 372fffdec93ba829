#include "link/ddc_transport.h"

#include <cstring>

namespace {

constexpr size_t kWriteFrameSize = 24;
constexpr size_t kRequestFrameSize = 11;

uint8_t hostChecksum(const uint8_t* frame, size_t length) {
  uint8_t sum = kDDCWriteAddress;
  for (size_t i = 0; i < length; ++i) sum ^= frame[i];
  return sum;
}

// Frame layout shared by writes and requests: host address, length, opcode,
// code, data bytes, checksum. Returns the bytes on the wire (with checksum).
uint32_t buildFrame(uint8_t* frame, uint8_t lengthByte, uint8_t opcode, uint8_t code,
                    const uint8_t* data, uint8_t count) {
  frame[0] = kDDCHostAddress;
  frame[1] = lengthByte;
  frame[2] = opcode;
  frame[3] = code;
  if (count > 0) std::memcpy(frame + 4, data, count);
  const uint8_t length = static_cast<uint8_t>(count + 4);
  frame[length] = hostChecksum(frame, length);
  return length + 1u;
}

}  // namespace

bool DisplayRequest(platform::I2CConnection* connection, platform::I2CRequest& request) {
  if (connection == nullptr) return false;
  if (!connection->sendRequest(request)) return false;
  return request.result == 0;
}

bool DDCWrite(platform::I2CConnection* connection, uint8_t sendAddress, const uint8_t* data,
              uint8_t count, uint8_t code, platform::BusCause* cause) {
  // The frame area holds 19 data bytes; more would run past it.
  if (count > kMaxWriteDataBytes || (count > 0 && data == nullptr)) return false;
  uint8_t frame[kWriteFrameSize] = {};
  platform::I2CRequest request{};
  request.sendTransactionType = platform::kI2CSimpleTransactionType;
  request.sendAddress = sendAddress;
  request.commFlags = 0;
  request.replyTransactionType = platform::kI2CNoTransactionType;
  request.replyBytes = 0;
  request.sendBytes = buildFrame(frame, 0x84, 0x03, code, data, count);
  request.sendBuffer = frame;
  const bool result = DisplayRequest(connection, request);
  if (cause != nullptr) *cause = request.cause;
  return result;
}

bool isValidStatusReply(const uint8_t* reply) {
  if (reply[2] != 0x02) return false;
  if (reply[4] != kVendorVCPCode) return false;
  uint8_t sum = kDDCReadAddress ^ kDDCHostAddress;
  for (int i = 1; i <= 9; ++i) sum ^= reply[i];
  return reply[10] == sum;
}

bool DDCRead(platform::I2CConnection* connection, const uint8_t* data, uint8_t count,
             uint8_t* output, uint8_t outputCount, uint8_t code, platform::BusCause* cause) {
  uint8_t reply[kReplyAreaSize] = {};
  uint8_t frame[kRequestFrameSize] = {};
  platform::I2CRequest request{};
  const bool sendsRequest = data != nullptr && count != 0;
  // The request frame holds 6 data bytes; more would run past it.
  bool result = count <= kMaxRequestDataBytes || !sendsRequest;
  if (result && sendsRequest) {
    request.sendTransactionType = platform::kI2CSimpleTransactionType;
    request.sendAddress = kDDCWriteAddress;
    request.commFlags = 0;
    request.sendBytes = buildFrame(frame, 0x82, 0x01, code, data, count);
    request.sendBuffer = frame;
  }
  request.replyTransactionType = platform::kI2CSimpleTransactionType;
  request.replyAddress = kDDCReadAddress;
  request.replySubAddress = kDDCHostAddress;
  request.replyBuffer = reply;
  request.replyBytes = kStatusReplyLength;
  request.minReplyDelay = kMinReplyDelay;
  std::memset(reply, 0, sizeof reply);

  if (result) result = DisplayRequest(connection, request) && isValidStatusReply(reply);
  if (cause != nullptr) *cause = request.cause;
  if (output != nullptr) {
    std::memcpy(output, reply, outputCount < kReplyAreaSize ? outputCount : kReplyAreaSize);
  }
  return result;
}
