// Detection among 1, 8 and 32 emulated displays: the monitor is the last of
// them, the others are monitors of the other model. Prints the time and the
// I2C transactions that DetectMonitor takes, next to the buses it could try.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "base/model_profile.h"
#include "emulator/emulator_server.h"
#include "link/display_discovery.h"
#include "link/monitor_commands.h"
#include "platform/buses/emulated_displays.h"
#include "tests/support/test_platform.h"

int main() {
  char pattern[] = "/tmp/quillmark-bench-XXXXXX";
  const std::string directory = std::string(mkdtemp(pattern)) + "/displays";
  testing_platform::TestPlatform services;  // log, console and home of the run
  services.captureOutput = false;
  services.home = std::filesystem::path(directory).parent_path();
  platform::buses::EmulatedDisplays displays(directory);
  platform::install({&displays, &services, &services});
  base::selectProfile(base::altoProfile());

  std::printf("| displays | detection time (ms) | I2C transactions | buses of the displays |\n");
  std::printf("|---:|---:|---:|---:|\n");
  for (int count : {1, 8, 32}) {
    std::vector<std::unique_ptr<emulator::QuillmarkMonitor>> monitors;
    std::vector<std::unique_ptr<emulator::EmulatorServer>> servers;
    for (int i = 0; i < count; ++i) {
      const bool isMonitor = i == count - 1;
      monitors.push_back(std::make_unique<emulator::QuillmarkMonitor>(
          isMonitor ? emulator::Model::Alto : emulator::Model::Tenor));
      servers.push_back(std::make_unique<emulator::EmulatorServer>(
          *monitors.back(), emulator::DisplaySettings{1600, 1200, {{1600, 1200}}, true}));
      char name[32];
      std::snprintf(name, sizeof name, "display-%02d-%d", i, count);
      std::string why;
      if (!servers.back()->start(directory, why, name)) return 1;
    }
    TLMonitorID = 0;
    const auto start = std::chrono::steady_clock::now();
    const bool found = DetectMonitor();
    const double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    size_t transactions = 0;
    for (const auto& monitor : monitors) {
      for (const auto& record : monitor->transactions())
        transactions += record.op == "edid" && !record.reply.empty();
    }
    std::printf("| %d | %.1f | %zu | %d |\n", count, milliseconds, transactions, count);
    if (!found) return 1;
    servers.clear();
  }
  std::filesystem::remove_all(std::filesystem::path(directory).parent_path());
  return 0;
}
