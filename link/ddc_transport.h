#pragma once
// DDC/CI transport: one message at a time over an open I2C connection of the
// monitor. Frames follow VESA DDC/CI with the vendor protocol's departures
// (fixed length bytes, data bytes in the request frame, reply code 0x08).
// Depends on the platform layer only.

#include <cstdint>

#include "platform/display_services.h"

constexpr uint8_t kDDCWriteAddress = 0x6E;
constexpr uint8_t kDDCReadAddress = 0x6F;
constexpr uint8_t kDDCHostAddress = 0x51;
constexpr uint8_t kVendorVCPCode = 0x08;
// The data of the status request that every working pass sends.
constexpr uint8_t kStatusRequestData[2] = {0x01, 0x01};
constexpr uint8_t kStatusReplyLength = 11;
constexpr uint8_t kMaxWriteDataBytes = 19;
constexpr uint8_t kMaxRequestDataBytes = 6;
constexpr uint8_t kReplyAreaSize = 31;
constexpr uint32_t kMinReplyDelay = 60;

bool DisplayRequest(platform::I2CConnection* connection, platform::I2CRequest& request);

// cause, where given, says why the bus failed the exchange (kNone when it
// did not, or cannot tell).
bool DDCWrite(platform::I2CConnection* connection, uint8_t sendAddress, const uint8_t* data,
              uint8_t count, uint8_t code, platform::BusCause* cause = nullptr);

bool DDCRead(platform::I2CConnection* connection, const uint8_t* data, uint8_t count,
             uint8_t* output, uint8_t outputCount, uint8_t code,
             platform::BusCause* cause = nullptr);

// The reply rules of the status reply: byte 2 is 0x02, byte 4 is 0x08 and
// byte 10 is the checksum 0x6F ^ 0x51 ^ bytes 1 to 9 (byte 0 is not examined).
bool isValidStatusReply(const uint8_t* reply);
