#pragma once
// The wire protocol between the monitor emulator and the emulated displays:
// length-prefixed messages on a Unix stream socket, one request and one answer
// at a time. Every length and count is checked before it is used.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct sockaddr_un;

namespace platform::buses {

constexpr uint32_t kMaxMessageSize = 4096;
constexpr uint32_t kMaxModes = 64;
constexpr uint32_t kMaxTransfer = 256;

enum Operation : uint8_t {
  kInfo = 'I',     // -> bus count, width, height, mode count, modes
  kWrite = 'W',    // address, count, bytes -> acknowledged
  kRead = 'R',     // address, count -> acknowledged, count, bytes
  kSetMode = 'M',  // width, height -> applied
};

// $XDG_RUNTIME_DIR/quillmark-displays, else ~/.cache/quillmark/displays
// (base::runtimeFolder).
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

struct ModeSize {
  uint32_t width = 0;
  uint32_t height = 0;
};

struct DisplayInfo {
  uint32_t busCount = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<ModeSize> modes;
};

// The answers of the emulator: an acknowledgement (write, set-mode), and a
// read's acknowledgement with exactly count bytes. nullopt for anything else.
std::optional<bool> decodeAcknowledgement(const std::vector<uint8_t>& message);
std::optional<bool> decodeReadAnswer(const std::vector<uint8_t>& message, uint32_t count,
                                     uint8_t* data);

std::vector<uint8_t> encodeInfo(const DisplayInfo& info);
std::optional<DisplayInfo> decodeInfo(const std::vector<uint8_t>& message);

// One deadline for a whole exchange: connect, send and receive together, so
// that a peer that trickles its answer a byte at a time cannot stretch it.
class Deadline {
 public:
  explicit Deadline(std::chrono::milliseconds budget)
      : end_(std::chrono::steady_clock::now() + budget) {}
  // Milliseconds left, 0 once passed.
  int remainingMs() const;

 private:
  std::chrono::steady_clock::time_point end_;
};

// Whole-message I/O within the deadline; false on any error, short transfer,
// the deadline passing or a length above kMaxMessageSize.
bool sendMessage(int socket, const std::vector<uint8_t>& message, const Deadline& deadline);
bool receiveMessage(int socket, std::vector<uint8_t>& message, const Deadline& deadline);
// One request sent and its answer received, within the one deadline.
bool exchange(int socket, const std::vector<uint8_t>& request, std::vector<uint8_t>& answer,
              const Deadline& deadline);

// A client socket closed when it goes out of scope; -1 holds none.
class Socket {
 public:
  explicit Socket(int descriptor) : descriptor_(descriptor) {}
  ~Socket();
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int get() const { return descriptor_; }
  bool valid() const { return descriptor_ >= 0; }

 private:
  int descriptor_;
};

// A connected client socket whose peer runs as this user, or -1 (why says
// what was wrong when the peer was someone else). A listener whose queue is
// full (a stopped emulator) is retried until the deadline, never waited on.
int connectTo(const std::string& path, const Deadline& deadline, std::string* why = nullptr);

// "NAME.sock": the entries of the socket folder that are displays.
bool isDisplaySocketName(const std::string& name);
// The address of the Unix socket at path; false when the path does not fit.
bool unixSocketAddress(const std::string& path, sockaddr_un& address);
// The length that a message's 4-byte header announces.
uint32_t messageLength(const uint8_t* header);
// True when the peer of a connected socket runs as this user (SO_PEERCRED).
bool peerIsThisUser(int socket, std::string& why);

}  // namespace platform::buses
