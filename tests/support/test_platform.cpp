#include "tests/support/test_platform.h"

#include <algorithm>

#include "platform/applying_configuration.h"

namespace testing_platform {
namespace {

class TestConnection : public platform::I2CConnection {
 public:
  TestConnection(TestPlatform& owner, platform::DisplayID display, uint32_t bus)
      : owner_(owner), display_(display), bus_(bus) {}

  bool sendRequest(platform::I2CRequest& request) override {
    std::lock_guard<std::recursive_mutex> lock(owner_.mutex);
    ++owner_.requestCount;
    TestDisplay* display = owner_.findDisplay(display_);
    if (display == nullptr || bus_ >= display->buses.size()) return false;
    RecordedRequest entry;
    entry.display = display_;
    entry.bus = bus_;
    entry.atSeconds = owner_.now;
    if (request.sendBuffer != nullptr) {
      entry.sent.assign(request.sendBuffer, request.sendBuffer + request.sendBytes);
    }
    bool issued = true;
    if (platform::I2CDevice* device = display->buses[bus_].device) {
      issued = platform::carryOutRequest(request, *device, nullptr);
    } else {
      request.result = platform::kI2CTransactionFailed;
    }
    if (request.replyBuffer != nullptr) {
      entry.replied.assign(request.replyBuffer, request.replyBuffer + request.replyBytes);
    }
    entry.record = request;
    if (owner_.recordRequests) owner_.requests.push_back(entry);
    return issued;
  }

 private:
  TestPlatform& owner_;
  platform::DisplayID display_;
  uint32_t bus_;
};

}  // namespace

std::vector<uint8_t> statusReply(uint8_t status, uint8_t eventType, uint8_t eventData) {
  std::vector<uint8_t> reply = {status, 0x88,      0x02, 0x00,      0x08, 0x00,
                                0x00,   eventType, 0x00, eventData, 0x00};
  uint8_t sum = 0x6F ^ 0x51;
  for (int i = 1; i <= 9; ++i) sum ^= reply[i];
  reply[10] = sum;
  return reply;
}

TestPlatform::TestPlatform() {
  // US layout: letters by their virtual key positions, digits and a few marks.
  const char* letters = "asdfhgzxcv?bqweryt123465=97-80]ou[ip?lj'k;\\,/nm.";
  for (uint16_t code = 0; letters[code] != '\0'; ++code) {
    if (letters[code] != '?') layout[code] = std::u16string(1, char16_t(letters[code]));
  }
  layout[50] = u"`";
  layout[90] = u"\u0010";  // F20 produces a control character on this layout
  layout[10] = u"\u00a7";
  platform::install({this, this, this});
}

TestPlatform::~TestPlatform() {
  platform::install({});
}

TestDisplay& TestPlatform::addDisplay(platform::DisplayID id, std::vector<TestBus> buses) {
  TestDisplay display;
  display.id = id;
  display.buses = std::move(buses);
  displayList.push_back(display);
  return displayList.back();
}

TestDisplay* TestPlatform::findDisplay(platform::DisplayID id) {
  for (auto& display : displayList) {
    if (display.id == id) return &display;
  }
  return nullptr;
}

double TestPlatform::sleptSince(size_t firstSleep) const {
  double total = 0;
  for (size_t i = firstSleep; i < sleeps.size(); ++i) total += sleeps[i];
  return total;
}

size_t TestPlatform::drainMainQueue() {
  size_t ran = 0;
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard<std::recursive_mutex> lock(mutex);
      if (mainQueue.empty()) break;
      task = std::move(mainQueue.front());
      mainQueue.pop_front();
    }
    task();
    ++ran;
  }
  return ran;
}

bool TestPlatform::sendEvent(const platform::Event& event, bool sentToThisProgram) {
  bool passed = true;
  const auto snapshot = monitors;
  for (const auto& [id, monitor] : snapshot) {
    if ((monitor.mask & platform::eventMaskBit(event.type)) == 0) continue;
    if (monitor.global && !sentToThisProgram) monitor.handler(event);
    if (!monitor.global && sentToThisProgram && monitors.count(id) != 0) {
      passed = monitor.localHandler(event) && passed;
    }
  }
  return passed;
}

void TestPlatform::resignKeyWindow() {
  const auto snapshot = resignObservers;
  for (const auto& [id, observer] : snapshot) observer();
}

std::optional<std::vector<platform::DisplayID>> TestPlatform::onlineDisplayList() {
  if (onlineListFails) return std::nullopt;
  std::vector<platform::DisplayID> ids;
  for (const auto& display : displayList) ids.push_back(display.id);
  return ids;
}

std::optional<platform::FramebufferService> TestPlatform::displayIOServicePort(
    platform::DisplayID id) {
  TestDisplay* display = findDisplay(id);
  if (display == nullptr || !display->hasService) return std::nullopt;
  return platform::FramebufferService{id};
}

bool TestPlatform::registryEntryPath(const platform::FramebufferService& service) {
  return findDisplay(service.display) != nullptr;
}

std::optional<uint32_t> TestPlatform::i2cInterfaceCount(
    const platform::FramebufferService& service) {
  TestDisplay* display = findDisplay(service.display);
  if (display == nullptr || !display->busCountKnown) return std::nullopt;
  return static_cast<uint32_t>(display->buses.size());
}

std::optional<platform::I2CInterface> TestPlatform::copyI2CInterfaceForBus(
    const platform::FramebufferService& service, uint32_t bus) {
  TestDisplay* display = findDisplay(service.display);
  if (display == nullptr || bus >= display->buses.size()) return std::nullopt;
  return platform::I2CInterface{service.display, bus};
}

std::unique_ptr<platform::I2CConnection> TestPlatform::i2cInterfaceOpen(
    const platform::I2CInterface& interface, platform::BusCause& cause) {
  cause = platform::BusCause::kNone;
  TestDisplay* display = findDisplay(interface.display);
  if (display == nullptr || interface.bus >= display->buses.size() ||
      !display->buses[interface.bus].opens) {
    return nullptr;
  }
  return std::make_unique<TestConnection>(*this, interface.display, interface.bus);
}

std::optional<platform::DisplaySize> TestPlatform::displayBounds(platform::DisplayID id) {
  TestDisplay* display = findDisplay(id);
  if (display == nullptr) return std::nullopt;
  return display->bounds;
}

std::optional<std::vector<platform::DisplayMode>> TestPlatform::copyAllDisplayModes(
    platform::DisplayID id) {
  TestDisplay* display = findDisplay(id);
  if (display == nullptr) return std::nullopt;
  return display->modes;
}

std::unique_ptr<platform::DisplayConfiguration> TestPlatform::beginDisplayConfiguration() {
  return std::make_unique<platform::ApplyingConfiguration>(
      [this](platform::DisplayID display, const platform::DisplayMode& mode, std::string&) {
        if (!configurationCompletes) return false;
        appliedModes.emplace_back(display, mode);
        if (TestDisplay* target = findDisplay(display)) {
          target->bounds = platform::DisplaySize{static_cast<double>(mode.width),
                                                 static_cast<double>(mode.height)};
        }
        return true;
      });
}

void TestPlatform::postToMainThread(std::function<void()> task) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  mainQueue.push_back(std::move(task));
}

void TestPlatform::startDetachedThread(std::function<void()> body) {
  startedThreads.push_back(std::move(body));
}

void TestPlatform::sleepFor(double seconds) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  if (recordRequests) sleeps.push_back(seconds);
  now += seconds;
  if (onSleep) onSleep(seconds);
}

platform::TimerId TestPlatform::scheduleRepeatingTimer(double interval,
                                                       std::function<void()> action) {
  const platform::TimerId id = nextHandle_++;
  timers[id] = TestTimer{interval, std::move(action), true};
  return id;
}

void TestPlatform::invalidateTimer(platform::TimerId timer) {
  auto found = timers.find(timer);
  if (found != timers.end()) found->second.valid = false;
}

platform::MonitorId TestPlatform::addGlobalEventMonitor(uint64_t mask,
                                                        platform::EventHandler handler) {
  const platform::MonitorId id = nextHandle_++;
  monitors[id] = TestMonitor{true, mask, std::move(handler), {}};
  return id;
}

platform::MonitorId TestPlatform::addLocalEventMonitor(uint64_t mask,
                                                       platform::LocalEventHandler handler) {
  const platform::MonitorId id = nextHandle_++;
  monitors[id] = TestMonitor{false, mask, {}, std::move(handler)};
  return id;
}

void TestPlatform::removeEventMonitor(platform::MonitorId monitor) {
  monitors.erase(monitor);
}

platform::ObserverId TestPlatform::addWindowResignKeyObserver(std::function<void()> observer) {
  const platform::ObserverId id = nextHandle_++;
  resignObservers[id] = std::move(observer);
  return id;
}

void TestPlatform::removeObserver(platform::ObserverId observer) {
  resignObservers.erase(observer);
}

int TestPlatform::runModalAlert(const platform::Alert& alert) {
  alerts.push_back(alert);
  if (onAlert) onAlert(alert);
  if (alertAnswers.empty()) return 0;
  const int answer = alertAnswers.front();
  alertAnswers.pop_front();
  return answer;
}

void TestPlatform::announce(const std::string& text, int priority) {
  announcements.emplace_back(text, priority);
}

bool TestPlatform::openURL(const std::string& url) {
  openedURLs.push_back(url);
  return true;
}

void TestPlatform::exitProcess(int status) {
  throw TestExit{status};
}

void TestPlatform::systemLog(const std::string& text) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  if (captureOutput) systemLogLines.push_back(text);
}

void TestPlatform::standardOutput(std::string_view text) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  outputBytes += text.size();
  if (captureOutput) stdoutText += text;
}

void TestPlatform::standardError(std::string_view text) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  outputBytes += text.size();
  if (captureOutput) stderrText += text;
}

platform::KeyTranslation TestPlatform::translateKey(uint16_t keyCode, uint32_t, bool) {
  platform::KeyTranslation translation;
  auto found = layout.find(keyCode);
  if (!layoutAvailable || found == layout.end()) return translation;
  translation.ok = true;
  translation.characters = found->second;
  return translation;
}

}  // namespace testing_platform
