#pragma once
// The monitor's vendor command set: two-byte command packets carried in VCP
// code 0x08, and the bus-level write and read that open the monitor's I2C bus
// for one exchange.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/display_services.h"

// Display ID of the monitor; 0 = none known.
extern std::atomic<uint32_t> TLMonitorID;

enum CommandType : uint8_t {
  kHeartSignal = 1,
  kScreenSave = 2,
  kTurnOffMonitor = 3,
  kMonitorRes = 4,
  kMonitorThreshold = 5,
  kClearMonitor = 6,
  kModeSelect = 7,
  kMonitorFloydThreshold = 8,
  kMonitorA2Threshold = 9,
  kMonitorLowA2Threshold = 10,
  kMonitorLowA5Threshold = 11,
};

// Why an exchange with the monitor failed, where the bus said: the cause and
// the bus it was on ("/dev/i2c-5").
struct ExchangeProblem {
  platform::BusCause cause = platform::BusCause::kNone;
  std::string bus;
};

// problem, where given, is filled when the result is false.
bool TLMonitorWriteData(uint32_t displayID, const uint8_t* packet, uint8_t count, bool status,
                        ExchangeProblem* problem = nullptr);
bool TLMonitorReadData(uint32_t displayID, const uint8_t* data, uint8_t count, uint8_t* output,
                       uint8_t outputCount, ExchangeProblem* problem = nullptr);

bool SendHeartSignal(bool on, ExchangeProblem* problem = nullptr);
bool SendScreenSave(bool on);
bool SendTurnOffMonitor(bool on);
bool SendMonitorRes(uint8_t mode);
bool SendMonitorThreshold(uint8_t threshold);
bool SendClearMonitor(bool flag);
bool SendModeSelect(uint8_t mode);
bool SendMonitorFloydThreshold(uint8_t threshold);
bool SendMonitorA2Threshold(uint8_t threshold);
bool SendMonitorLowA2Threshold(uint8_t threshold);
bool SendMonitorLowA5Threshold(uint8_t threshold);
