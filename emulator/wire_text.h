#pragma once
// The monitor's messages in words, for the emulator's window: "threshold A2
// 190", "clear", "heartbeat", and the few last of them with repeats counted.

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "emulator/quillmark_monitor.h"

namespace emulator {

// "Floyd", "A2", "A16", "A5 fixed", "A2 fixed", "A16 fixed".
std::string modeName(unsigned showMode);

// Empty for what says nothing new: a status poll without an event, an EDID
// offset, the request half of an exchange.
std::string describe(const WireRecord& record);

class RecentMessages {
 public:
  explicit RecentMessages(size_t keep) : keep_(keep) {}
  // False when the text is empty and nothing changed.
  bool add(const std::string& text);
  // Oldest first; a repeated message once, with "×N".
  std::vector<std::string> lines() const;

 private:
  struct Entry {
    std::string text;
    unsigned count;
  };
  size_t keep_;
  std::deque<Entry> entries_;
};

}  // namespace emulator
