#include "emulator/wire_text.h"

namespace emulator {
namespace {

constexpr uint8_t kVendorCode = 0x08;

std::string onOff(uint8_t value) {
  return (value & 1) != 0 ? "on" : "off";
}

std::string command(uint8_t type, uint8_t value) {
  const std::string number = std::to_string(value);
  switch (type) {
    case 1:
      return value == 2 ? "heartbeat off" : "heartbeat";
    case 2:
      return "screen save " + onOff(value);
    case 3:
      return "turn off " + onOff(value);
    case 4:
      return (value & 0x0F) == 2   ? "resolution fixed 1100x825"
             : (value & 0x0F) == 1 ? "resolution flexible"
                                   : "resolution " + std::to_string(value & 0x0F);
    case 5:
      return "threshold " + number;
    case 6:
      return "clear";
    case 7:
      return "mode " + modeName(value & 0x0F);
    case 8:
      return "threshold Floyd " + number;
    case 9:
      return "threshold A2 " + number;
    case 10:
      return "threshold A2 fixed " + number;
    case 11:
      return "threshold A5 fixed " + number;
    default:
      return "unknown command " + std::to_string(type);
  }
}

// What the monitor reports: its own keys.
std::string event(uint8_t type, uint8_t data) {
  switch (type) {
    case 7:
      return data == 8 ? "woke" : "mode key " + std::to_string(data);
    case 8:
      return "contrast Floyd level " + std::to_string(data);
    case 9:
      return "contrast A2 level " + std::to_string(data);
    case 11:
      return "contrast A5 level " + std::to_string(data);
    default:
      return "event " + std::to_string(type) + " " + std::to_string(data);
  }
}

std::string write(const WireRecord& record) {
  const std::vector<uint8_t>& bytes = record.bytes;
  if (bytes.size() == 7 && bytes[2] == 0x03 && bytes[3] == kVendorCode) {
    return command(bytes[4], bytes[5]);
  }
  if (bytes.size() >= 4 && bytes[2] == 0x01) return "";  // the request half of an exchange
  return "malformed message";
}

std::string read(const WireRecord& record) {
  const std::vector<uint8_t>& reply = record.reply;
  if (reply.size() < 10) return "";
  const bool afterCommand = record.request.size() >= 4 && record.request[3] != kVendorCode;
  if (afterCommand) return reply[0] == 1 ? "" : "command not accepted";
  if (reply[7] == 1 || reply[7] == 0) return "";
  return "reported " + event(reply[7], reply[9] & 0x0F);
}

}  // namespace

std::string modeName(unsigned showMode) {
  static const char* kNames[] = {"Floyd", "A2", "A16", "A5 fixed", "A2 fixed", "A16 fixed"};
  return showMode >= 1 && showMode <= 6 ? kNames[showMode - 1]
                                        : "unknown " + std::to_string(showMode);
}

std::string describe(const WireRecord& record) {
  std::string text;
  if (record.op == "write" && record.address == QuillmarkMonitor::kDDCAddress) {
    text = write(record);
  } else if (record.op == "read" && record.address == QuillmarkMonitor::kDDCAddress) {
    text = read(record);
  } else if (record.op == "edid") {
    text = record.bytes.empty() ? "EDID read" : "";
  } else if (record.op == "event" && record.bytes.size() == 2) {
    text = "key: " + event(record.bytes[0], record.bytes[1]);
  }
  if (!record.nak.empty()) text = (text.empty() ? "message" : text) + " refused: " + record.nak;
  return text;
}

bool RecentMessages::add(const std::string& text) {
  if (text.empty()) return false;
  if (!entries_.empty() && entries_.back().text == text) {
    ++entries_.back().count;
    return true;
  }
  entries_.push_back({text, 1});
  while (entries_.size() > keep_) entries_.pop_front();
  return true;
}

std::vector<std::string> RecentMessages::lines() const {
  std::vector<std::string> out;
  for (const Entry& entry : entries_) {
    out.push_back(entry.count > 1 ? entry.text + " ×" + std::to_string(entry.count) : entry.text);
  }
  return out;
}

}  // namespace emulator
