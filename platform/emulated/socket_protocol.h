#pragma once
// The wire protocol between the monitor emulator and the emulated displays:
// length-prefixed messages on a Unix stream socket, one request and one answer
// at a time. Every length and count is checked before it is used.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace emulated {

constexpr uint32_t kMaxMessageSize = 4096;
constexpr uint32_t kMaxModes = 64;
constexpr uint32_t kMaxTransfer = 256;

enum Operation : uint8_t {
  kInfo = 'I',     // -> bus count, width, height, mode count, modes
  kWrite = 'W',    // address, count, bytes -> acknowledged
  kRead = 'R',     // address, count -> acknowledged, count, bytes
  kSetMode = 'M',  // width, height -> applied
};

// $XDG_RUNTIME_DIR/quillmark-displays, or /tmp/quillmark-displays-<uid>.
std::string socketDirectory();

class MessageWriter {
 public:
  MessageWriter& u8(uint8_t value);
  MessageWriter& u32(uint32_t value);
  MessageWriter& bytes(const uint8_t* data, uint32_t count);
  const std::vector<uint8_t>& data() const { return data_; }

 private:
  std::vector<uint8_t> data_;
};

// Reads values from a message; any read past its end fails the reader for good.
class MessageReader {
 public:
  explicit MessageReader(const std::vector<uint8_t>& data) : data_(data) {}
  bool u8(uint8_t& value);
  bool u32(uint32_t& value);
  bool bytes(std::vector<uint8_t>& out, uint32_t count);
  bool atEnd() const { return ok_ && position_ == data_.size(); }
  bool ok() const { return ok_; }

 private:
  const std::vector<uint8_t>& data_;
  size_t position_ = 0;
  bool ok_ = true;
};

struct DisplayMode {
  uint32_t width = 0;
  uint32_t height = 0;
};

struct DisplayInfo {
  uint32_t busCount = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<DisplayMode> modes;
};

// The answers of the emulator: an acknowledgement (write, set-mode), and a
// read's acknowledgement with exactly count bytes. nullopt for anything else.
std::optional<bool> decodeAcknowledgement(const std::vector<uint8_t>& message);
std::optional<bool> decodeReadAnswer(const std::vector<uint8_t>& message, uint32_t count,
                                     uint8_t* data);

std::vector<uint8_t> encodeInfo(const DisplayInfo& info);
std::optional<DisplayInfo> decodeInfo(const std::vector<uint8_t>& message);

// Whole-message I/O with a timeout; false on any error, short transfer,
// timeout or a length above kMaxMessageSize.
bool sendMessage(int socket, const std::vector<uint8_t>& message, int timeoutMs = 2000);
bool receiveMessage(int socket, std::vector<uint8_t>& message, int timeoutMs = 2000);

// A connected client socket, or -1.
int connectTo(const std::string& path);

}  // namespace emulated
