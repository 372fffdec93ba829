#pragma once
// Application framework: the main thread and its queue, detached threads,
// sleeping, timers, event monitors, alerts, the system log, the console
// streams, the home directory and the other desktop services.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Event types and masks of the event monitors (bit 1 << type).
enum EventType : int {
  kEventMouseMoved = 5,
  kEventKeyDown = 10,
  kEventFlagsChanged = 12,
  kEventScrollWheel = 22,
};
constexpr uint64_t eventMaskBit(int type) {
  return uint64_t{1} << type;
}

struct Event {
  int type = 0;
  uint64_t modifierFlags = 0;  // the full modifier word
  uint16_t keyCode = 0;        // key events only
  bool hasKeyCode = false;
};

using EventHandler = std::function<void(const Event&)>;
// A local handler returns true to let the event through, false to consume it.
using LocalEventHandler = std::function<bool(const Event&)>;

struct Alert {
  std::string messageText;
  std::string informativeText;
  std::vector<std::string> buttons;  // the first is the default button
  int style = 1;                     // 2 = critical
};

using TimerId = uint64_t;
using MonitorId = uint64_t;
using ObserverId = uint64_t;

class AppFramework {
 public:
  virtual ~AppFramework() = default;

  virtual void postToMainThread(std::function<void()> task) = 0;
  virtual void startDetachedThread(std::function<void()> body) = 0;
  virtual void sleepFor(double seconds) = 0;

  virtual TimerId scheduleRepeatingTimer(double intervalSeconds, std::function<void()> action) = 0;
  virtual void invalidateTimer(TimerId timer) = 0;

  // Global monitors see events sent to other programs; local ones events sent to this one.
  virtual MonitorId addGlobalEventMonitor(uint64_t mask, EventHandler handler) = 0;
  virtual MonitorId addLocalEventMonitor(uint64_t mask, LocalEventHandler handler) = 0;
  virtual void removeEventMonitor(MonitorId monitor) = 0;
  // Called when any window of this program stops being the active window.
  virtual ObserverId addWindowResignKeyObserver(std::function<void()> observer) = 0;
  virtual void removeObserver(ObserverId observer) = 0;

  // Index of the button that dismissed the alert.
  virtual int runModalAlert(const Alert& alert) = 0;
  virtual void beep() = 0;
  virtual void announce(const std::string& text, int priority) = 0;
  virtual bool openURL(const std::string& url) = 0;
  virtual void miniaturizeAll() = 0;
  [[noreturn]] virtual void exitProcess(int status) = 0;

  // One line of the system log (the text carries its own line feed or not).
  virtual void systemLog(const std::string& text) = 0;
  virtual void standardOutput(std::string_view text) = 0;
  virtual void standardError(std::string_view text) = 0;
  virtual std::string homeDirectory() = 0;
};

}  // namespace platform
