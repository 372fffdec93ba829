#include "app/termination.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

#include "core/app_delegate.h"
#include "platform/platform.h"
#include "platform/qt/qt_app_framework.h"

namespace {

int gSignalPipe[2] = {-1, -1};

void forwardSignal(int) {
  const char signalled = 1;
  [[maybe_unused]] ssize_t written = write(gSignalPipe[1], &signalled, 1);
}

}  // namespace

void catchTerminationSignals() {
  // Non-blocking: a burst of signals can never hold the handler in write().
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSignalPipe) != 0) return;
  struct sigaction action {};
  action.sa_handler = forwardSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

// The session manager's save request is no termination: the user may still
// cancel the logout.
void watchTermination(AppDelegate& delegate) {
  const auto terminate = [&delegate] {
    delegate.applicationWillTerminate();
    platform::app().exitProcess(0);
  };
  if (gSignalPipe[0] >= 0) {
    auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, terminate);
    if (auto* framework = dynamic_cast<platform::qt::QtAppFramework*>(&platform::app())) {
      framework->interruptMainThreadSleepsOn(gSignalPipe[0], terminate);
    }
  }
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp,
                   [&delegate] { delegate.applicationWillTerminate(); });
}
