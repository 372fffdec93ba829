#include "platform/buses/emulated_bus.h"

#include <thread>

#include "platform/buses/bus_pacing.h"
#include "platform/buses/socket_protocol.h"
#include "platform/i2c_request.h"

namespace platform::buses {
namespace {

// A bus of an emulated display: plain writes and reads over the open socket.
class SocketDevice : public platform::I2CDevice {
 public:
  SocketDevice(int socket, std::string path, std::chrono::milliseconds budget)
      : socket_(socket), path_(std::move(path)), budget_(budget) {}

  bool write(uint8_t address7, const uint8_t* data, uint32_t count) override {
    if (count > kMaxTransfer) return false;
    MessageWriter request;
    request.u8(kWrite).u8(address7).u32(count).bytes(data, count);
    std::vector<uint8_t> answer;
    return paced(true, [&] {
      return exchange(socket_, request.data(), answer, Deadline(budget_)) &&
             decodeAcknowledgement(answer).value_or(false);
    });
  }

  bool read(uint8_t address7, uint8_t* data, uint32_t count) override {
    if (count > kMaxTransfer) return false;
    MessageWriter request;
    request.u8(kRead).u8(address7).u32(count);
    std::vector<uint8_t> answer;
    return paced(false, [&] {
      return exchange(socket_, request.data(), answer, Deadline(budget_)) &&
             decodeReadAnswer(answer, count, data).value_or(false);
    });
  }

 private:
  // An emulated monitor keeps a real one's timing (its --strict-timing holds
  // the host to it), so its bus is paced as a real bus is.
  template <typename Transfer>
  bool paced(bool isWrite, Transfer transfer) {
    platform::buses::paceBeforeMessage(path_, platform::buses::steadyNowMs(), [](uint32_t ms) {
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    });
    const bool done = transfer();
    platform::buses::recordMessage(path_, platform::buses::steadyNowMs(), isWrite);
    return done;
  }

  int socket_;
  std::string path_;
  std::chrono::milliseconds budget_;
};

class EmulatedConnection : public platform::I2CConnection {
 public:
  EmulatedConnection(int socket, std::string path, std::chrono::milliseconds budget)
      : socket_(socket), device_(socket, std::move(path), budget) {}
  bool sendRequest(platform::I2CRequest& request) override {
    return platform::carryOutRequest(request, device_, [](uint32_t milliseconds) {
      std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    });
  }

 private:
  Socket socket_;
  SocketDevice device_;
};

}  // namespace

std::unique_ptr<platform::I2CConnection> openEmulatedBus(int socket, std::string path,
                                                         std::chrono::milliseconds budget) {
  return std::make_unique<EmulatedConnection>(socket, std::move(path), budget);
}

}  // namespace platform::buses
