// Asks the compositor of WAYLAND_DISPLAY, through wlr-randr as the program
// does, to run the given output at each given size in turn, and prints for
// each "WxH: done" or "WxH: refused: REASON", then "now WxH" as a fresh
// listing shows it. The compositor test (wlr_randr_run.py) reads it.
// usage: wlr_randr_probe CONNECTOR WxH...

#include <QCoreApplication>
#include <cstdio>

#include "platform/modes/wlr_randr.h"

namespace {

void printNow(platform::modes::WlrRandr& tool, const platform::MonitorName& monitor) {
  tool.outputsChanged();
  const auto now = tool.bounds(monitor);
  std::printf(
      "now %s\n",
      now ? (std::to_string(int(now->width)) + "x" + std::to_string(int(now->height))).c_str()
          : "unknown");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  if (argc < 3) return 2;
  platform::modes::WlrRandr tool;
  const platform::MonitorName monitor{argv[1], {}};
  printNow(tool, monitor);
  for (int i = 2; i < argc; ++i) {
    unsigned width = 0, height = 0;
    if (std::sscanf(argv[i], "%ux%u", &width, &height) != 2) return 2;
    std::string refusal;
    if (tool.apply(monitor, width, height, refusal)) {
      std::printf("%s: done\n", argv[i]);
    } else {
      std::printf("%s: refused: %s\n", argv[i], refusal.c_str());
    }
    printNow(tool, monitor);
  }
  return 0;
}
