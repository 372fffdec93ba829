#include "emulator/wire_log.h"

#include <chrono>

namespace emulator {
namespace {

std::string hex(const std::vector<uint8_t>& bytes) {
  std::string text;
  char byte[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : " %02x", bytes[i]);
    text += byte;
  }
  return text;
}

}  // namespace

std::string toJson(const WireRecord& record) {
  char head[96];
  std::snprintf(head, sizeof head, "{\"t_ms\":%llu,\"op\":\"%s\",\"addr\":\"0x%02x\"",
                static_cast<unsigned long long>(record.tMs), record.op.c_str(), record.address);
  std::string line = head;
  if (record.op == "event") {
    line += ",\"type\":" + std::to_string(record.bytes.size() > 0 ? record.bytes[0] : 0);
    line += ",\"data\":" + std::to_string(record.bytes.size() > 1 ? record.bytes[1] : 0);
  } else if (!record.reply.empty() || record.op == "read") {
    line += ",\"request\":\"" + hex(record.request) + "\",\"reply\":\"" + hex(record.reply) + "\"";
  } else {
    line += ",\"bytes\":\"" + hex(record.bytes) + "\"";
  }
  if (record.op != "event") line += ",\"gap_ms\":" + std::to_string(record.gapMs);
  if (!record.nak.empty()) line += ",\"nak\":\"" + record.nak + "\"";
  return line + "}";
}

std::string modeChangeJson(uint64_t tMs, uint32_t width, uint32_t height) {
  char line[128];
  std::snprintf(line, sizeof line, "{\"t_ms\":%llu,\"op\":\"set-mode\",\"width\":%u,\"height\":%u}",
                static_cast<unsigned long long>(tMs), width, height);
  return line;
}

bool WireLog::open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "w");
  return file_ != nullptr;
}

WireLog::~WireLog() {
  if (file_ != nullptr) std::fclose(file_);
}

// Each line also carries the wall-clock time, so that other programs' events
// (a key typed, say) can be set beside it.
void WireLog::write(const std::string& line) {
  const auto wallMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
  std::lock_guard<std::mutex> lock(mutex_);
  if (file_ == nullptr || line.empty()) return;
  std::fputs(line.substr(0, line.size() - 1).c_str(), file_);
  std::fprintf(file_, ",\"wall_ms\":%lld}", static_cast<long long>(wallMs));
  std::fputc('\n', file_);
  std::fflush(file_);
}

}  // namespace emulator
