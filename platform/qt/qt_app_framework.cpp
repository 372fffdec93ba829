#include "platform/qt/qt_app_framework.h"

#include <poll.h>
#include <syslog.h>
#include <unistd.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/key_codes.h"
#include "platform/qt/qt_key_events.h"

namespace platform::qt {
namespace {

void writeStream(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

}  // namespace

QtAppFramework::QtAppFramework(const char* programName, GlobalEventSource* globalEvents)
    : globalEvents_(globalEvents) {
  openlog(programName, LOG_PID, LOG_USER);
  qApp->installEventFilter(this);
  // A window resigns when the focus leaves it; the focus arriving from
  // nowhere (the first click without a window manager) resigns nothing.
  focusWindow_ = QGuiApplication::focusWindow();
  QObject::connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* now) {
    const bool resigned = !focusWindow_.isNull() && focusWindow_ != now;
    focusWindow_ = now;
    if (!resigned) return;
    const auto observers = resignObservers_;
    for (const auto& [id, observer] : observers) observer();
  });
}

QtAppFramework::~QtAppFramework() {
  if (qApp != nullptr) qApp->removeEventFilter(this);
  closelog();
}

void QtAppFramework::postToMainThread(std::function<void()> task) {
  QMetaObject::invokeMethod(qApp, std::move(task), Qt::QueuedConnection);
}

void QtAppFramework::startDetachedThread(std::function<void()> body) {
  std::thread(std::move(body)).detach();
}

void QtAppFramework::sleepFor(double seconds) {
  const bool mainThread = QThread::currentThread() == thread();
  if (!mainThread || sleepInterruption_ < 0) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    pollfd watched{sleepInterruption_, POLLIN, 0};
    if (poll(&watched, 1, static_cast<int>(left.count())) > 0) {
      onSleepInterrupted_();
      return;
    }
  }
}

void QtAppFramework::interruptMainThreadSleepsOn(int descriptor, std::function<void()> onReadable) {
  sleepInterruption_ = descriptor;
  onSleepInterrupted_ = std::move(onReadable);
}

TimerId QtAppFramework::scheduleRepeatingTimer(double intervalSeconds,
                                               std::function<void()> action) {
  const TimerId id = nextHandle_++;
  auto* timer = new QTimer(this);
  timer->setInterval(static_cast<int>(intervalSeconds * 1000));
  QObject::connect(timer, &QTimer::timeout, this, std::move(action));
  timer->start();
  timers_[id] = timer;
  return id;
}

void QtAppFramework::invalidateTimer(TimerId timer) {
  auto found = timers_.find(timer);
  if (found == timers_.end()) return;
  found->second->stop();
  found->second->deleteLater();
  timers_.erase(found);
}

MonitorId QtAppFramework::addGlobalEventMonitor(uint64_t mask, EventHandler handler) {
  const MonitorId id = nextHandle_++;
  monitors_[id] = Monitor{mask, std::move(handler), {}};
  if (globalEvents_ != nullptr && !globalEventsStarted_) {
    globalEventsStarted_ = globalEvents_->start(
        [this](const Event& event) { postToMainThread([this, event] { deliverGlobal(event); }); });
  }
  return id;
}

MonitorId QtAppFramework::addLocalEventMonitor(uint64_t mask, LocalEventHandler handler) {
  const MonitorId id = nextHandle_++;
  monitors_[id] = Monitor{mask, {}, std::move(handler)};
  return id;
}

void QtAppFramework::removeEventMonitor(MonitorId monitor) {
  monitors_.erase(monitor);
}

ObserverId QtAppFramework::addWindowResignKeyObserver(std::function<void()> observer) {
  const ObserverId id = nextHandle_++;
  resignObservers_[id] = std::move(observer);
  return id;
}

void QtAppFramework::removeObserver(ObserverId observer) {
  resignObservers_.erase(observer);
}

// The source leaves out events for this program's own windows: the local
// monitor sees those, and nothing is seen twice.
void QtAppFramework::deliverGlobal(const Event& event) {
  const auto monitors = monitors_;
  for (const auto& [id, monitor] : monitors) {
    if (monitor.global && (monitor.mask & eventMaskBit(event.type)) != 0) monitor.global(event);
  }
}

bool QtAppFramework::eventFilter(QObject* watched, QEvent* qtEvent) {
  // Every input event reaches its window first; handling it only there sees it once.
  if (!watched->isWindowType()) return false;
  Event event;
  switch (qtEvent->type()) {
    case QEvent::KeyRelease:
    case QEvent::KeyPress: {
      const auto translated = eventFromQtKeyEvent(*static_cast<QKeyEvent*>(qtEvent),
                                                  qtEvent->type() == QEvent::KeyPress);
      if (!translated) return false;
      event = *translated;
      break;
    }
    case QEvent::MouseMove:
      event.type = kEventMouseMoved;
      event.modifierFlags = modifiersFromQt(QGuiApplication::keyboardModifiers());
      break;
    case QEvent::Wheel:
      event.type = kEventScrollWheel;
      event.modifierFlags = modifiersFromQt(QGuiApplication::keyboardModifiers());
      break;
    default:
      return false;
  }
  bool passOn = true;
  const auto monitors = monitors_;
  for (const auto& [id, monitor] : monitors) {
    if (!monitor.local || (monitor.mask & eventMaskBit(event.type)) == 0) continue;
    if (monitors_.count(id) != 0) passOn = monitor.local(event) && passOn;
  }
  return !passOn;
}

// The alert is modal over the window that raised it, with the message and
// its explanation in the body and the program's name as the title.
int QtAppFramework::runModalAlert(const Alert& alert) {
  QWidget* owner = QApplication::activeModalWidget();
  if (owner == nullptr) owner = QApplication::activeWindow();
  QMessageBox box(alert.style == 2 ? QMessageBox::Critical : QMessageBox::Warning,
                  QApplication::applicationName(), QString::fromStdString(alert.messageText),
                  QMessageBox::NoButton, owner);
  box.setInformativeText(QString::fromStdString(alert.informativeText));
  box.setWindowModality(owner != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
  std::vector<QAbstractButton*> buttons;
  for (const auto& title : alert.buttons) {
    if (title.empty()) continue;
    buttons.push_back(box.addButton(QString::fromStdString(title), QMessageBox::AcceptRole));
  }
  if (!buttons.empty()) box.setDefaultButton(static_cast<QPushButton*>(buttons.front()));
  box.exec();
  for (size_t i = 0; i < buttons.size(); ++i) {
    if (box.clickedButton() == buttons[i]) return static_cast<int>(i);
  }
  return 0;
}

void QtAppFramework::beep() {
  QApplication::beep();
}

// Qt 6.4 has no announcement event; screen readers follow the recorder's
// accessible name instead, which changes with the same state.
void QtAppFramework::announce(const std::string&, int) {}

bool QtAppFramework::openURL(const std::string& url) {
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

void QtAppFramework::miniaturizeAll() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (!window->isVisible()) continue;
    if (hidesToTray_) {
      window->hide();
    } else {
      window->showMinimized();
    }
  }
}

void QtAppFramework::exitProcess(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  _exit(status);
}

void QtAppFramework::systemLog(const std::string& text) {
  syslog(LOG_NOTICE, "%s", text.c_str());
  std::string copy = text;
  if (copy.empty() || copy.back() != '\n') copy += '\n';
  writeStream(stderr, copy);
}

void QtAppFramework::standardOutput(std::string_view text) {
  writeStream(stdout, text);
}

void QtAppFramework::standardError(std::string_view text) {
  writeStream(stderr, text);
}

std::string QtAppFramework::homeDirectory() {
  return QDir::homePath().toStdString();
}

}  // namespace platform::qt
