#pragma once
// The application framework on Qt: the main thread's event loop and queue,
// timers, the local event monitor (an application-wide event filter that
// never swallows an event), alerts and the desktop services.

#include <QObject>
#include <QPointer>
#include <QWindow>
#include <map>
#include <memory>

#include "platform/app_framework.h"
#include "platform/global_event_source.h"

class QTimer;

namespace platform::qt {

class QtAppFramework : public QObject, public AppFramework {
 public:
  // The program name is the system log's ident.
  QtAppFramework(const char* programName, GlobalEventSource* globalEvents);
  ~QtAppFramework() override;

  void postToMainThread(std::function<void()> task) override;
  void startDetachedThread(std::function<void()> body) override;
  void sleepFor(double seconds) override;
  // A sleep on the main thread ends early when descriptor becomes readable,
  // and then runs onReadable (the program's termination).
  void interruptMainThreadSleepsOn(int descriptor, std::function<void()> onReadable);
  TimerId scheduleRepeatingTimer(double intervalSeconds, std::function<void()> action) override;
  void invalidateTimer(TimerId timer) override;
  MonitorId addGlobalEventMonitor(uint64_t mask, EventHandler handler) override;
  MonitorId addLocalEventMonitor(uint64_t mask, LocalEventHandler handler) override;
  void removeEventMonitor(MonitorId monitor) override;
  ObserverId addWindowResignKeyObserver(std::function<void()> observer) override;
  void removeObserver(ObserverId observer) override;
  int runModalAlert(const Alert& alert) override;
  void beep() override;
  void announce(const std::string& text, int priority) override;
  bool openURL(const std::string& url) override;
  void miniaturizeAll() override;
  // With a tray icon to come back by, hiding puts the windows away entirely.
  void setHidesToTray(bool hides) { hidesToTray_ = hides; }
  [[noreturn]] void exitProcess(int status) override;
  void systemLog(const std::string& text) override;
  void standardOutput(std::string_view text) override;
  void standardError(std::string_view text) override;
  std::string homeDirectory() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Monitor {
    uint64_t mask;
    EventHandler global;
    LocalEventHandler local;
  };
  void deliverGlobal(const Event& event);

  GlobalEventSource* globalEvents_;
  bool globalEventsStarted_ = false;
  uint64_t nextHandle_ = 1;
  std::map<TimerId, QTimer*> timers_;
  std::map<MonitorId, Monitor> monitors_;
  std::map<ObserverId, std::function<void()>> resignObservers_;
  QPointer<QWindow> focusWindow_;
  bool hidesToTray_ = false;
  int sleepInterruption_ = -1;
  std::function<void()> onSleepInterrupted_;
};

}  // namespace platform::qt
