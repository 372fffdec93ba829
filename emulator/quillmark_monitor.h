#pragma once
// The device model of a Quillmark monitor: its EDID, its DDC/CI vendor
// protocol, its state, the events its own buttons raise, fault injection and a
// time-stamped record of every transaction. No Qt; the tests attach it to
// their buses and the emulator program serves it over a socket.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "emulator/device_state.h"
#include "emulator/edid_builder.h"
#include "emulator/model.h"
#include "emulator/threshold_windows.h"
#include "platform/i2c_request.h"

namespace emulator {

enum class Fault { None, NoAnswer, BadChecksum, WrongCode, Nak, NoBus };

// "none", "no-answer", "bad-checksum", "wrong-code", "nak", "no-bus".
bool parseFault(const std::string& name, Fault& fault);

constexpr uint64_t kStrictPauseAfterWriteMs = 50;

struct WireRecord {
  uint64_t tMs = 0;
  std::string op;  // "write", "read", "edid"
  uint8_t address = 0;
  std::vector<uint8_t> bytes;    // a write
  std::vector<uint8_t> request;  // a read: the request frame that came before it, if any
  std::vector<uint8_t> reply;    // a read
  int64_t gapMs = -1;            // since the previous message on the bus (-1: the first)
  std::string nak;               // why a strict monitor refused the message
};

struct MonitorEvent {
  uint8_t type = 0;
  uint8_t data = 0;
};

class QuillmarkMonitor : public platform::I2CDevice {
 public:
  static constexpr uint8_t kDDCAddress = 0x37;
  static constexpr uint8_t kEDIDAddress = 0x50;

  explicit QuillmarkMonitor(Model model, std::function<uint64_t()> nowMs = {});

  bool write(uint8_t address7, const uint8_t* data, uint32_t count) override;
  bool read(uint8_t address7, uint8_t* data, uint32_t count) override;

  // The monitor's own buttons.
  void pressModeButton(uint8_t data);
  void wake();
  // Reports a threshold level; one of the mode in force is also drawn with.
  void reportThreshold(uint8_t type, uint8_t level);
  // The contrast keys: one level up or down in the mode in force, reported
  // as the monitor's level; false in a mode without a threshold.
  bool stepContrast(int direction);

  void setFault(Fault fault);
  // A real monitor's timing: a message less than kStrictPauseAfterWriteMs
  // after a write is not acknowledged.
  void setStrictTiming(bool strict);
  // The host the next messages come from (a client process); each host's
  // timing is judged on its own messages.
  void setHost(uint64_t host);
  Fault fault() const;

  Model model() const { return model_; }
  const std::vector<uint8_t>& edid() const { return edid_; }
  DeviceState state() const;
  std::vector<WireRecord> transactions() const;
  void clearTransactions();
  // Called (outside the lock) after every transaction or event.
  void setObserver(std::function<void(const WireRecord&)> observer);

 private:
  void handleDDCWrite(const uint8_t* data, uint32_t count);
  void handleCommand(uint8_t type, uint8_t value);
  std::vector<uint8_t> statusReply();
  // Under mutex_: queues a threshold report, and keeps the level when it is
  // the mode in force's; the event's bytes for the record.
  std::vector<uint8_t> reportLevel(uint8_t type, int level);
  WireRecord record(const char* op, uint8_t address);
  void notify(const WireRecord& entry);

  enum class PendingRead { Reply, Poll };

  const Model model_;
  std::function<uint64_t()> nowMs_;
  std::vector<uint8_t> edid_;
  // Under mutex_: the gap before this message, and whether strict timing refuses it.
  bool tooSoon(WireRecord& entry, bool isWrite);
  mutable std::mutex mutex_;
  bool strictTiming_ = false;
  struct HostTiming {
    std::optional<uint64_t> lastMessageMs;
    bool lastWasWrite = false;
  };
  uint64_t host_ = 0;
  std::map<uint64_t, HostTiming> hosts_;
  DeviceState state_;
  Fault fault_ = Fault::None;
  std::deque<MonitorEvent> events_;
  PendingRead pendingRead_ = PendingRead::Reply;
  std::vector<uint8_t> lastRequest_;
  uint8_t edidOffset_ = 0;
  std::vector<WireRecord> transactions_;
  std::function<void(const WireRecord&)> observer_;
};

}  // namespace emulator
