#include "link/display_discovery.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/model_profile.h"
#include "base/tl_log.h"
#include "link/bus_walk.h"
#include "link/monitor_commands.h"
#include "platform/platform.h"

namespace {

template <typename... Args>
std::string format(const char* pattern, Args... args) {
  char text[128];
  std::snprintf(text, sizeof text, pattern, args...);
  return text;
}

void toStandardError(const std::string& text) {
  platform::app().standardError(text);
}

int weight(platform::BusCause cause) {
  using platform::BusCause;
  switch (cause) {
    case BusCause::kNoAccess:
      return 5;
    case BusCause::kBusy:
      return 4;
    case BusCause::kNoAnswer:
      return 3;
    case BusCause::kUnsupported:
      return 2;
    case BusCause::kNoDevice:
      return 1;
    default:
      return 0;
  }
}

// One line per display and bus tried, with what was found there, so that the
// log says why no monitor was found; a bus without a cause says nothing more.
void noteBusOutcome(const VisitedBus& visited, platform::BusCause cause, const char* finding,
                    Detection& problems) {
  const uint32_t displayID = visited.interface.display;
  const std::string name = busLabel(visited);
  if (cause != platform::BusCause::kNone) {
    keepMostTelling(problems, cause, name);
    base::tl_log("Display %u, %s: %s.\n", displayID, name.c_str(), platform::busCauseText(cause));
  } else if (finding != nullptr) {
    base::tl_log("Display %u, %s: %s.\n", displayID, name.c_str(), finding);
  }
}

}  // namespace

// Bytes that are not printable (an unreadable EDID is all zeros) show as '.',
// so a log line is never cut short.
char printableEDIDByte(uint8_t byte) {
  return byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
}

bool EDIDNamesThisModel(const uint8_t* edid) {
  return EDIDNamesModel(edid, base::profile());
}

bool EDIDNamesModel(const uint8_t* edid, const base::ModelProfile& model) {
  return std::strncmp(reinterpret_cast<const char*>(edid + kEDIDNameOffset), model.edidName,
                      model.edidNameLength) == 0;
}

bool EDIDRead(platform::I2CConnection* connection, uint8_t* edid, platform::BusCause* cause) {
  platform::I2CRequest request{};
  std::memset(edid, 0, kEDIDBlockSize);
  request.sendTransactionType = platform::kI2CSimpleTransactionType;
  request.sendAddress = 0xA0;
  request.sendBuffer = edid;  // its first byte, 0x00, is the EDID start offset
  request.sendBytes = 1;
  request.replyTransactionType = platform::kI2CSimpleTransactionType;
  request.replyAddress = 0xA1;
  request.replyBuffer = edid;
  request.replyBytes = kEDIDBlockSize;
  if (connection == nullptr || !connection->sendRequest(request)) return false;
  if (cause != nullptr) *cause = request.cause;
  toStandardError(format("/* Read result 0x%x, 0x%x bytes */\n",
                         static_cast<unsigned>(request.result), request.replyBytes));
  if (request.result != 0) return false;
  const int badBlock = EDIDSum(edid, kEDIDBlockSize);
  toStandardError(badBlock == -1 ? std::string("/* Checksums ok */\n")
                                 : format("/* Block %d checksum bad */\n", badBlock));
  return true;
}

int EDIDSum(const uint8_t* bytes, size_t count) {
  for (size_t start = 0; start < count; start += kEDIDBlockSize) {
    uint8_t sum = 0;
    for (size_t i = start; i < start + kEDIDBlockSize && i < count; ++i) sum += bytes[i];
    if (sum != 0) return static_cast<int>(start / kEDIDBlockSize);
  }
  return -1;
}

void EDIDDump(const uint8_t* bytes, size_t count) {
  std::string text =
      "/*    0    1    2    3    4    5    6    7    8    9    A    B    C    D    E    F */";
  for (size_t i = 0; i < count; ++i) {
    if (i % 16 == 0) text += "\n    ";
    text += format("0x%02x,", bytes[i]);
  }
  text += "\n";
  toStandardError(text);
}

namespace {

// The display's buses in turn, until one carries an EDID that names this
// model; what each failed bus says is kept in problems.
bool validateDisplay(uint32_t displayID, Detection& problems) {
  base::tl_log("display ID as %d.\n", static_cast<int>(displayID));
  bool found = false;
  walkDisplayBuses(displayID, RegistryEntry::kNotNeeded, [&](VisitedBus& bus) {
    toStandardError(format("/* Bus %u: */\n", bus.bus));
    if (!bus.connection) {
      noteBusOutcome(bus, bus.cause, nullptr, problems);
      return false;
    }
    uint8_t edid[kEDIDBlockSize];
    platform::BusCause cause = platform::BusCause::kNone;
    EDIDRead(bus.connection.get(), edid, &cause);
    bus.connection.reset();
    const uint8_t* name = edid + kEDIDNameOffset;
    base::tl_log("%c%c%c%c%c%c\n", printableEDIDByte(name[0]), printableEDIDByte(name[1]),
                 printableEDIDByte(name[2]), printableEDIDByte(name[3]), printableEDIDByte(name[4]),
                 printableEDIDByte(name[5]));
    if (EDIDNamesThisModel(edid)) {
      base::tl_log("found talvex monitor.\n");
      found = true;
      return true;
    }
    noteBusOutcome(bus, cause, "no Quillmark of this model", problems);
    return false;
  });
  return found;
}

}  // namespace

void keepMostTelling(Detection& problems, platform::BusCause cause, const std::string& bus) {
  if (weight(cause) > weight(problems.cause)) {
    problems.cause = cause;
    problems.bus = bus;
  }
}

bool ValidationEDID(uint32_t displayID) {
  Detection problems;
  return validateDisplay(displayID, problems);
}

Detection detectMonitor() {
  Detection detection;
  const auto online = platform::displays().onlineDisplayList();
  if (!online) return detection;
  const size_t count = std::min<size_t>(online->size(), platform::kMaxOnlineDisplays);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t displayID = (*online)[i];
    base::tl_log("display ID is %d , numDisplays = %d.\n", static_cast<int>(displayID),
                 static_cast<int>(count));
    if (validateDisplay(displayID, detection)) {
      platform::app().systemLog(format("Find ext display ID(%d)", static_cast<int>(displayID)));
      TLMonitorID = displayID;
      return {true, platform::BusCause::kNone, {}};
    }
  }
  return detection;
}

bool DetectMonitor() {
  return detectMonitor().found;
}
