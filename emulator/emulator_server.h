#pragma once
// Serves one emulated Quillmark monitor as a display on a Unix socket, and
// carries out the emulator's console commands (the monitor's own buttons,
// its cable and the system's display settings).

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "emulator/quillmark_monitor.h"
#include "platform/buses/socket_protocol.h"

namespace emulator {

struct DisplaySettings {
  uint32_t width = 1600;
  uint32_t height = 1200;
  std::vector<platform::buses::ModeSize> modes;
  bool plugged = true;
};

class EmulatorServer {
 public:
  EmulatorServer(QuillmarkMonitor& monitor, DisplaySettings settings);
  ~EmulatorServer();

  // Creates the socket directory (mode 0700), removes sockets of earlier
  // emulators that nobody serves any more, and starts serving on
  // "<name>.sock" (default "quillmark-<pid>"); false with the reason if it
  // cannot, or if the folder is not a private folder of this user's.
  bool start(const std::string& directory, std::string& why, const std::string& name = "");
  void stop();
  const std::string& socketPath() const { return socketPath_; }

  DisplaySettings settings() const;
  // The display plugged in or out: an unplugged one is not online.
  void setPlugged(bool plugged);
  // The display's size changed by the system (set-mode, the console's "size").
  void changeSize(uint32_t width, uint32_t height);
  // Called after a mode change made by the system (set-mode or "size").
  void setModeObserver(std::function<void(uint32_t width, uint32_t height)> observer);

 private:
  struct Client {
    int socket;
    uint64_t host;  // the client's process, for the monitor's timing
    std::vector<uint8_t> inbound;
    std::chrono::steady_clock::time_point lastHeard;
  };
  void serve();
  void acceptClients(std::vector<Client>& clients);
  // Reads what the client sent and answers each whole request; false to let it go.
  bool serveClient(Client& client);
  std::vector<uint8_t> answer(const std::vector<uint8_t>& request);

  QuillmarkMonitor& monitor_;
  mutable std::mutex mutex_;
  DisplaySettings settings_;
  std::function<void(uint32_t, uint32_t)> modeObserver_;
  std::string socketPath_;
  int listener_ = -1;
  int wakePipe_[2] = {-1, -1};
  std::atomic<bool> running_{false};
  std::thread thread_;
};

}  // namespace emulator
