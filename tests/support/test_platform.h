#pragma once
// The test platform: a virtual clock, displays with numbered buses that record
// every request and answer through attached devices, a captured system log,
// console streams and main queue, timers that tests fire, event monitors that
// tests feed, scripted alert answers and a US keyboard layout.

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace testing_platform {

struct RecordedRequest {
  platform::DisplayID display = 0;
  uint32_t bus = 0;
  platform::I2CRequest record;  // as sent, result as returned
  std::vector<uint8_t> sent;
  std::vector<uint8_t> replied;
  double atSeconds = 0;
};

struct TestBus {
  bool opens = true;
  platform::I2CDevice* device = nullptr;  // nullptr: nothing answers
};

struct TestDisplay {
  platform::DisplayID id = 0;
  bool hasService = true;
  bool busCountKnown = true;
  std::vector<TestBus> buses;
  std::optional<platform::DisplaySize> bounds = platform::DisplaySize{1600, 1200};
  std::optional<std::vector<platform::DisplayMode>> modes;
};

struct TestTimer {
  double interval = 0;
  std::function<void()> action;
  bool valid = true;
};

struct TestMonitor {
  bool global = false;
  uint64_t mask = 0;
  platform::EventHandler handler;
  platform::LocalEventHandler localHandler;
};

// A device that answers every read with a scripted reply.
class ScriptedDevice : public platform::I2CDevice {
 public:
  bool write(uint8_t, const uint8_t* data, uint32_t count) override {
    writes.emplace_back(data, data + count);
    return acknowledges;
  }
  bool read(uint8_t, uint8_t* data, uint32_t count) override {
    for (uint32_t i = 0; i < count; ++i) data[i] = i < reply.size() ? reply[i] : 0;
    return acknowledges;
  }
  bool acknowledges = true;
  std::vector<uint8_t> reply;
  std::vector<std::vector<uint8_t>> writes;
};

// An 11-byte status reply with the given status byte, event and valid framing.
std::vector<uint8_t> statusReply(uint8_t status, uint8_t eventType, uint8_t eventData);

struct TestExit {
  int status;
};

class TestPlatform : public platform::DisplayServices,
                     public platform::AppFramework,
                     public platform::KeyboardServices {
 public:
  TestPlatform();
  ~TestPlatform() override;

  // Guards what the worker, the counter and the main thread record at once.
  std::recursive_mutex mutex;
  // Long runs turn the records off and keep counts only.
  bool recordRequests = true;
  bool captureOutput = true;
  size_t requestCount = 0;
  size_t outputBytes = 0;

  // Displays.
  std::vector<TestDisplay> displayList;
  bool onlineListFails = false;
  bool configurationCompletes = true;
  std::vector<RecordedRequest> requests;
  std::vector<std::pair<platform::DisplayID, platform::DisplayMode>> appliedModes;
  TestDisplay& addDisplay(platform::DisplayID id, std::vector<TestBus> buses);
  TestDisplay* findDisplay(platform::DisplayID id);

  // Clock.
  std::atomic<double> now{0};
  std::vector<double> sleeps;
  std::function<void(double)> onSleep;
  double sleptSince(size_t firstSleep) const;

  // Main thread, timers, monitors.
  std::deque<std::function<void()>> mainQueue;
  size_t drainMainQueue();
  std::vector<std::function<void()>> startedThreads;
  std::map<platform::TimerId, TestTimer> timers;
  std::map<platform::MonitorId, TestMonitor> monitors;
  std::map<platform::ObserverId, std::function<void()>> resignObservers;
  // Feeds an event to the global monitors (sentToThisProgram false) or the local ones;
  // returns whether a local monitor let it through.
  bool sendEvent(const platform::Event& event, bool sentToThisProgram = false);
  void resignKeyWindow();

  // Alerts and the rest of the desktop.
  std::vector<platform::Alert> alerts;
  std::deque<int> alertAnswers;
  std::function<void(const platform::Alert&)> onAlert;
  int beeps = 0;
  std::vector<std::pair<std::string, int>> announcements;
  std::vector<std::string> openedURLs;
  int miniaturizeCalls = 0;
  std::vector<std::string> systemLogLines;
  std::string stdoutText;
  std::string stderrText;
  std::string home;

  // Keyboard: US layout for the letter, digit and mark keys.
  bool layoutAvailable = true;
  std::map<uint16_t, std::u16string> layout;
  std::optional<std::vector<platform::SystemHotKey>> systemHotKeys =
      std::vector<platform::SystemHotKey>{};

  // platform::DisplayServices
  std::optional<std::vector<platform::DisplayID>> onlineDisplayList() override;
  std::optional<platform::FramebufferService> displayIOServicePort(platform::DisplayID) override;
  bool registryEntryPath(const platform::FramebufferService&) override;
  std::optional<uint32_t> i2cInterfaceCount(const platform::FramebufferService&) override;
  std::optional<platform::I2CInterface> copyI2CInterfaceForBus(const platform::FramebufferService&,
                                                               uint32_t bus) override;
  std::unique_ptr<platform::I2CConnection> i2cInterfaceOpen(const platform::I2CInterface&,
                                                            platform::BusCause&) override;
  std::optional<platform::DisplaySize> displayBounds(platform::DisplayID) override;
  std::optional<std::vector<platform::DisplayMode>> copyAllDisplayModes(
      platform::DisplayID) override;
  std::unique_ptr<platform::DisplayConfiguration> beginDisplayConfiguration() override;

  // platform::AppFramework
  void postToMainThread(std::function<void()> task) override;
  void startDetachedThread(std::function<void()> body) override;
  void sleepFor(double seconds) override;
  platform::TimerId scheduleRepeatingTimer(double interval, std::function<void()> action) override;
  void invalidateTimer(platform::TimerId timer) override;
  platform::MonitorId addGlobalEventMonitor(uint64_t mask, platform::EventHandler) override;
  platform::MonitorId addLocalEventMonitor(uint64_t mask, platform::LocalEventHandler) override;
  void removeEventMonitor(platform::MonitorId monitor) override;
  platform::ObserverId addWindowResignKeyObserver(std::function<void()> observer) override;
  void removeObserver(platform::ObserverId observer) override;
  int runModalAlert(const platform::Alert& alert) override;
  void beep() override { ++beeps; }
  void announce(const std::string& text, int priority) override;
  bool openURL(const std::string& url) override;
  void miniaturizeAll() override { ++miniaturizeCalls; }
  [[noreturn]] void exitProcess(int status) override;
  void systemLog(const std::string& text) override;
  void standardOutput(std::string_view text) override;
  void standardError(std::string_view text) override;
  std::string homeDirectory() override { return home; }

  // platform::KeyboardServices
  bool hasKeyLayout() override { return layoutAvailable; }
  platform::KeyTranslation translateKey(uint16_t keyCode, uint32_t deadKeyState,
                                        bool noDeadKeys) override;
  std::optional<std::vector<platform::SystemHotKey>> copySymbolicHotKeys() override {
    return systemHotKeys;
  }

 private:
  uint64_t nextHandle_ = 1;
};

}  // namespace testing_platform
