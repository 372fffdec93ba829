#pragma once
// Finds the monitor among the online displays by the monitor name in the
// EDID read over each display's own I2C buses.

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/model_profile.h"
#include "platform/display_services.h"

constexpr size_t kEDIDBlockSize = 128;
constexpr size_t kEDIDNameOffset = 95;

// cause, where given, says why the bus failed the read.
bool EDIDRead(platform::I2CConnection* connection, uint8_t* edid,
              platform::BusCause* cause = nullptr);
// Index of the first 128-byte block whose bytes do not sum to 0, or -1.
int EDIDSum(const uint8_t* bytes, size_t count);
void EDIDDump(const uint8_t* bytes, size_t count);
bool ValidationEDID(uint32_t displayID);
// True when the EDID's monitor name is this model's.
bool EDIDNamesThisModel(const uint8_t* edid);
// Whether the EDID names the given model's monitor.
bool EDIDNamesModel(const uint8_t* edid, const base::ModelProfile& model);
// An EDID name byte as the log shows it: '.' for a byte that is not printable.
char printableEDIDByte(uint8_t byte);

// What one detection found: the monitor, or else the most telling reason, over
// every bus tried, that it was not found, and the bus that gave it.
struct Detection {
  bool found = false;
  platform::BusCause cause = platform::BusCause::kNone;
  std::string bus;  // "/dev/i2c-5"
};
// Keeps in problems the cause a user can best act on: no access before busy
// before no answer before unsupported before no device.
void keepMostTelling(Detection& problems, platform::BusCause cause, const std::string& bus);

Detection detectMonitor();
bool DetectMonitor();
