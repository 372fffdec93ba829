#include "link/monitor_commands.h"

#include "base/tl_log.h"
#include "link/bus_walk.h"
#include "link/ddc_transport.h"
#include "platform/platform.h"

std::atomic<uint32_t> TLMonitorID{0};

namespace {

// The post-write status request carries the same two data bytes as the worker's poll.

// The first of the monitor's buses that opens; problem, where none does,
// says why the last one tried did not, and the bus it is on otherwise.
std::unique_ptr<platform::I2CConnection> openMonitorBus(uint32_t displayID,
                                                        ExchangeProblem& problem) {
  std::unique_ptr<platform::I2CConnection> opened;
  walkDisplayBuses(displayID, RegistryEntry::kRequired, [&](VisitedBus& bus) {
    problem = {bus.cause, busLabel(bus)};
    opened = std::move(bus.connection);
    return opened != nullptr;
  });
  return opened;
}

bool writeCommand(uint8_t type, uint8_t value, bool status, ExchangeProblem* problem = nullptr) {
  const uint8_t packet[2] = {static_cast<uint8_t>(type & 0x0F), value};
  const uint32_t monitor = TLMonitorID.load();
  if (monitor == 0) return false;
  return TLMonitorWriteData(monitor, packet, 2, status, problem);
}

// Where the caller wants no problem, one kept here.
ExchangeProblem& problemOrScratch(ExchangeProblem* problem, ExchangeProblem& scratch) {
  return problem != nullptr ? *problem : scratch;
}

// The write's own result is not used: the wait and the reply read follow in any
// case, and the reply read gives the result. The reply's content is dropped.
bool writeCommandWaitAndRead(uint8_t type, uint8_t value, double waitSeconds) {
  const uint32_t monitor = TLMonitorID.load();
  if (monitor == 0) return false;
  writeCommand(type, value, false);
  platform::app().sleepFor(waitSeconds);
  uint8_t replyArea[kStatusReplyLength];
  return TLMonitorReadData(monitor, nullptr, 0, replyArea, kStatusReplyLength);
}

bool sendThreshold(uint8_t type, uint8_t threshold) {
  return writeCommandWaitAndRead(type, threshold, 0.5);
}

uint8_t onOff(bool on) {
  return on ? 0x01 : 0x02;
}

}  // namespace

bool TLMonitorWriteData(uint32_t displayID, const uint8_t* packet, uint8_t count, bool status,
                        ExchangeProblem* problem) {
  ExchangeProblem scratch;
  ExchangeProblem& found = problemOrScratch(problem, scratch);
  auto connection = openMonitorBus(displayID, found);
  if (!connection) return false;
  bool result =
      DDCWrite(connection.get(), kDDCWriteAddress, packet, count, kVendorVCPCode, &found.cause);
  if (result && status) {
    platform::app().sleepFor(0.2);
    uint8_t statusBytes[2] = {};
    result =
        DDCRead(connection.get(), kStatusRequestData, 2, statusBytes, 2, packet[0], &found.cause);
    if (!result) {
      base::tl_log("failed read status.\n");
    } else if (statusBytes[0] != 1) {
      base::tl_log("failed setting type %d .\n", packet[0]);
    }
  }
  return result;
}

bool TLMonitorReadData(uint32_t displayID, const uint8_t* data, uint8_t count, uint8_t* output,
                       uint8_t outputCount, ExchangeProblem* problem) {
  ExchangeProblem scratch;
  ExchangeProblem& found = problemOrScratch(problem, scratch);
  auto connection = openMonitorBus(displayID, found);
  if (!connection) return false;
  return DDCRead(connection.get(), data, count, output, outputCount, kVendorVCPCode, &found.cause);
}

bool SendHeartSignal(bool on, ExchangeProblem* problem) {
  return writeCommand(kHeartSignal, onOff(on), false, problem);
}

bool SendScreenSave(bool on) {
  return writeCommandWaitAndRead(kScreenSave, on ? 0x01 : 0x00, 0.6);
}

bool SendTurnOffMonitor(bool on) {
  return writeCommand(kTurnOffMonitor, on ? 0x01 : 0x00, true);
}

bool SendMonitorRes(uint8_t mode) {
  return writeCommand(kMonitorRes, mode & 0x0F, true);
}

bool SendMonitorThreshold(uint8_t threshold) {
  return sendThreshold(kMonitorThreshold, threshold);
}

bool SendClearMonitor(bool flag) {
  if (TLMonitorID.load() != 0) base::tl_log("call clean blur++++++++++++\n");
  return writeCommandWaitAndRead(kClearMonitor, onOff(flag), 0.5);
}

bool SendModeSelect(uint8_t mode) {
  base::tl_log("_____ %d %d ____\n", kModeSelect, mode);
  return writeCommandWaitAndRead(kModeSelect, mode & 0x0F, 0.8);
}

bool SendMonitorFloydThreshold(uint8_t threshold) {
  return sendThreshold(kMonitorFloydThreshold, threshold);
}

bool SendMonitorA2Threshold(uint8_t threshold) {
  return sendThreshold(kMonitorA2Threshold, threshold);
}

bool SendMonitorLowA2Threshold(uint8_t threshold) {
  return sendThreshold(kMonitorLowA2Threshold, threshold);
}

bool SendMonitorLowA5Threshold(uint8_t threshold) {
  return sendThreshold(kMonitorLowA5Threshold, threshold);
}
