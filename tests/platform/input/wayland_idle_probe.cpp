// Runs the Wayland idle client against the compositor of WAYLAND_DISPLAY and
// prints, one per line, "source NAME" and then "activity MS" for each
// activity reported, MS after the start; exits after the given seconds.
// The compositor test (wayland_idle_run.py) reads what it printed.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "platform/input/wayland_idle.h"

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
  QElapsedTimer clock;
  clock.start();
  platform::input::WaylandIdle idle;
  if (!idle.start([&clock] {
        std::printf("activity %lld\n", static_cast<long long>(clock.elapsed()));
        std::fflush(stdout);
      })) {
    std::printf("no idle protocol\n");
    return 1;
  }
  std::printf("source %s\n", idle.name().c_str());
  std::fflush(stdout);
  QTimer::singleShot(seconds * 1000, &application, &QCoreApplication::quit);
  return application.exec();
}
