// Runs the Wayland idle client against the compositor of WAYLAND_DISPLAY and
// prints, one per line, "source NAME" and then "activity MS" for each
// activity reported, MS after the start, until it is ended. The compositor
// test (wayland_idle_run.py) reads it as it comes.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "platform/input/wayland_idle.h"

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
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
  return application.exec();
}
