#pragma once
// The emulator's wire log: one JSON object per line for every transaction,
// event and mode change, written and flushed as it happens.

#include <cstdio>
#include <mutex>
#include <string>

#include "emulator/quillmark_monitor.h"

namespace emulator {

std::string toJson(const WireRecord& record);
std::string modeChangeJson(uint64_t tMs, uint32_t width, uint32_t height);

class WireLog {
 public:
  bool open(const std::string& path);
  ~WireLog();
  void write(const std::string& line);

 private:
  std::mutex mutex_;
  std::FILE* file_ = nullptr;
};

}  // namespace emulator
