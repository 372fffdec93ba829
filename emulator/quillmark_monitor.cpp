#include "emulator/quillmark_monitor.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace emulator {
namespace {

constexpr uint8_t kHostAddress = 0x51;
constexpr uint8_t kVendorCode = 0x08;
constexpr size_t kReplyLength = 11;
constexpr size_t kMaxRecords = 200000;

uint64_t steadyMilliseconds() {
  static const auto start = std::chrono::steady_clock::now();
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - start)
                                   .count());
}

}  // namespace

bool parseFault(const std::string& name, Fault& fault) {
  static const std::pair<const char*, Fault> kNames[] = {
      {"none", Fault::None},
      {"no-answer", Fault::NoAnswer},
      {"bad-checksum", Fault::BadChecksum},
      {"wrong-code", Fault::WrongCode},
      {"nak", Fault::Nak},
      {"no-bus", Fault::NoBus},
  };
  for (const auto& [text, value] : kNames) {
    if (name == text) {
      fault = value;
      return true;
    }
  }
  return false;
}

QuillmarkMonitor::QuillmarkMonitor(Model model, std::function<uint64_t()> nowMs)
    : model_(model),
      nowMs_(nowMs ? std::move(nowMs) : steadyMilliseconds),
      edid_(makeEDID(model)) {}

WireRecord QuillmarkMonitor::record(const char* op, uint8_t address) {
  WireRecord entry;
  entry.tMs = nowMs_();
  entry.op = op;
  entry.address = address;
  return entry;
}

void QuillmarkMonitor::notify(const WireRecord& entry) {
  std::function<void(const WireRecord&)> observer;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // A monitor left running all day keeps its recent history only.
    if (transactions_.size() >= kMaxRecords) {
      transactions_.erase(transactions_.begin(), transactions_.begin() + kMaxRecords / 2);
    }
    transactions_.push_back(entry);
    observer = observer_;
  }
  if (observer) observer(entry);
}

bool QuillmarkMonitor::tooSoon(WireRecord& entry, bool isWrite) {
  HostTiming& timing = hosts_[host_];
  if (timing.lastMessageMs) entry.gapMs = static_cast<int64_t>(entry.tMs - *timing.lastMessageMs);
  const bool refused = strictTiming_ && timing.lastWasWrite && entry.gapMs >= 0 &&
                       static_cast<uint64_t>(entry.gapMs) < kStrictPauseAfterWriteMs;
  if (refused) entry.nak = "too soon after a write";
  timing.lastMessageMs = entry.tMs;
  timing.lastWasWrite = isWrite;
  return refused;
}

void QuillmarkMonitor::setHost(uint64_t host) {
  std::lock_guard<std::mutex> lock(mutex_);
  // Hosts come and go all session: only the recent ones are remembered.
  constexpr size_t kMaxHosts = 64;
  if (hosts_.size() >= kMaxHosts && hosts_.count(host) == 0) hosts_.clear();
  host_ = host;
}

void QuillmarkMonitor::setStrictTiming(bool strict) {
  std::lock_guard<std::mutex> lock(mutex_);
  strictTiming_ = strict;
}

bool QuillmarkMonitor::write(uint8_t address7, const uint8_t* data, uint32_t count) {
  WireRecord entry = record(address7 == kEDIDAddress ? "edid" : "write", address7);
  entry.bytes.assign(data, data + count);
  bool acknowledged = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool refused = tooSoon(entry, true);
    if (!refused && fault_ != Fault::NoAnswer && fault_ != Fault::NoBus) {
      if (address7 == kEDIDAddress) {
        edidOffset_ = count > 0 ? data[0] : 0;
        acknowledged = true;
      } else if (address7 == kDDCAddress) {
        handleDDCWrite(data, count);
        acknowledged = true;
      }
    }
  }
  notify(entry);
  return acknowledged;
}

void QuillmarkMonitor::handleDDCWrite(const uint8_t* data, uint32_t count) {
  lastRequest_.clear();
  pendingRead_ = PendingRead::Reply;
  uint8_t sum = 0x6E;
  for (uint32_t i = 0; i + 1 < count; ++i) sum ^= data[i];
  if (count < 5 || data[0] != kHostAddress || (data[1] & 0x80) == 0 || sum != data[count - 1]) {
    ++state_.malformedFrames;
    state_.lastCommandAccepted = false;
    return;
  }
  const uint8_t opcode = data[2];
  const uint8_t code = data[3];
  if (opcode == 0x03 && code == kVendorCode && count == 7) {
    handleCommand(data[4], data[5]);
  } else if (opcode == 0x01) {
    lastRequest_.assign(data, data + count);
    // A poll of the vendor code takes the next event; a request naming a command
    // type asks only whether that command was accepted.
    if (code == kVendorCode) pendingRead_ = PendingRead::Poll;
  } else {
    ++state_.malformedFrames;
    state_.lastCommandAccepted = false;
  }
}

void QuillmarkMonitor::handleCommand(uint8_t type, uint8_t value) {
  bool accepted = true;
  const uint8_t low = value & 0x0F;
  switch (type) {
    case 1:
      accepted = value == 1 || value == 2;
      if (accepted) ++state_.heartbeats;
      break;
    case 2:
      state_.screenSaved = (value & 1) != 0;
      break;
    case 3:
      state_.turnedOff = (value & 1) != 0;
      break;
    case 4:
      accepted = low == 1 || low == 2;
      if (accepted) state_.resolutionMode = low;
      break;
    case 6:
      accepted = value == 1 || value == 2;
      if (accepted) ++state_.clears;
      break;
    case 7:
      accepted = low >= 1 && low <= 6;
      if (accepted) state_.showMode = low;
      break;
    case 5:
    case 8:
    case 9:
    case 10:
    case 11:
      state_.thresholds[type] = value;
      break;
    default:
      accepted = false;
  }
  state_.lastCommandAccepted = accepted;
}

std::vector<uint8_t> QuillmarkMonitor::statusReply() {
  MonitorEvent event{1, 2};  // the heartbeat answer when nothing else is pending
  if (pendingRead_ == PendingRead::Poll && !events_.empty()) {
    event = events_.front();
    events_.pop_front();
  }
  pendingRead_ = PendingRead::Reply;
  std::vector<uint8_t> reply(kReplyLength, 0);
  reply[0] = (state_.lastCommandAccepted && fault_ != Fault::Nak) ? 1 : 0;
  reply[1] = 0x88;
  reply[2] = 0x02;
  reply[4] = fault_ == Fault::WrongCode ? 0x07 : kVendorCode;
  reply[7] = event.type;
  reply[9] = event.data;
  uint8_t sum = 0x6F ^ kHostAddress;
  for (size_t i = 1; i <= 9; ++i) sum ^= reply[i];
  reply[10] = fault_ == Fault::BadChecksum ? static_cast<uint8_t>(~sum) : sum;
  return reply;
}

bool QuillmarkMonitor::read(uint8_t address7, uint8_t* data, uint32_t count) {
  WireRecord entry = record(address7 == kEDIDAddress ? "edid" : "read", address7);
  bool acknowledged = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool refused = tooSoon(entry, false);
    if (!refused && fault_ != Fault::NoAnswer && fault_ != Fault::NoBus) {
      std::vector<uint8_t> reply;
      if (address7 == kEDIDAddress) {
        reply.assign(edid_.begin() + (edidOffset_ % edid_.size()), edid_.end());
        acknowledged = true;
      } else if (address7 == kDDCAddress) {
        entry.request = lastRequest_;
        lastRequest_.clear();
        reply = statusReply();
        acknowledged = true;
      }
      reply.resize(count, 0);
      std::memcpy(data, reply.data(), count);
      entry.reply = reply;
    }
  }
  notify(entry);
  return acknowledged;
}

void QuillmarkMonitor::pressModeButton(uint8_t data) {
  WireRecord entry = record("event", kDDCAddress);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    int mode = state_.resolutionMode == 2 ? data + 3 : data;
    if (mode > 6) mode -= 3;
    if (data >= 1 && data <= 6) state_.showMode = static_cast<uint8_t>(mode);
    events_.push_back({7, data});
  }
  entry.bytes = {7, data};
  notify(entry);
}

void QuillmarkMonitor::wake() {
  WireRecord entry = record("event", kDDCAddress);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state_.screenSaved = false;
    events_.push_back({7, 8});
  }
  entry.bytes = {7, 8};
  notify(entry);
}

void QuillmarkMonitor::reportThreshold(uint8_t type, uint8_t level) {
  WireRecord entry = record("event", kDDCAddress);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    entry.bytes = reportLevel(type, level & 0x0F);
  }
  notify(entry);
}

std::vector<uint8_t> QuillmarkMonitor::reportLevel(uint8_t type, int level) {
  // A level of the mode in force is also what the monitor draws with from now on.
  const ThresholdWindow window = thresholdWindow(model_, state_.showMode);
  if (window.command != 0 && window.report == type) {
    state_.thresholds[window.command] = static_cast<uint8_t>(valueOfLevel(window, level));
  }
  events_.push_back({type, static_cast<uint8_t>(level)});
  return {type, static_cast<uint8_t>(level)};
}

bool QuillmarkMonitor::stepContrast(int direction) {
  WireRecord entry = record("event", kDDCAddress);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const ThresholdWindow window = thresholdWindow(model_, state_.showMode);
    if (window.command == 0) return false;
    const int level =
        std::clamp(levelOf(window, thresholdInForce(model_, state_)) + direction, 1, 9);
    entry.bytes = reportLevel(window.report, level);
  }
  notify(entry);
  return true;
}

void QuillmarkMonitor::setFault(Fault fault) {
  std::lock_guard<std::mutex> lock(mutex_);
  fault_ = fault;
}

Fault QuillmarkMonitor::fault() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return fault_;
}

DeviceState QuillmarkMonitor::state() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

std::vector<WireRecord> QuillmarkMonitor::transactions() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return transactions_;
}

void QuillmarkMonitor::clearTransactions() {
  std::lock_guard<std::mutex> lock(mutex_);
  transactions_.clear();
}

void QuillmarkMonitor::setObserver(std::function<void(const WireRecord&)> observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  observer_ = std::move(observer);
}

}  // namespace emulator
