#include "app/diagnose.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "link/ddc_transport.h"
#include "link/display_discovery.h"
#include "link/monitor_commands.h"
#include "platform/input/global_shortcuts_portal.h"
#include "platform/input/idle_source.h"
#include "platform/modes/display_mode_owners.h"
#include "platform/platform.h"
#include "platform/version.h"

namespace {

namespace fs = std::filesystem;

void printSession() {
  const platform::session::SessionType session = platform::session::detectSession();
  std::printf("session: %s\n", session.describe().c_str());
  std::printf("display modes: %s\n", platform::DisplayModeOwners::describe(session).c_str());
  if (!session.wayland) {
    std::printf("idle time: %s\n", session.x11 ? "X11 input events" : "none");
    return;
  }
  const auto source = platform::session::startIdleSource(session, [] {});
  std::printf("idle time: %s\n",
              source ? source->name().c_str()
                     : "none in this session: screen save will not start on its own");
  std::printf("global hotkeys: %s\n",
              platform::session::GlobalShortcutsPortal::available()
                  ? "the GlobalShortcuts portal"
                  : "no portal; bind the command-line actions (--contrast-up, --contrast-down, "
                    "--refresh) in the desktop's keyboard settings");
}

bool printI2CDev() {
  const bool loaded = fs::exists("/sys/module/i2c_dev") || fs::exists("/sys/class/i2c-dev");
  std::printf("i2c-dev: %s\n",
              loaded ? "loaded" : "not loaded; load it with: sudo modprobe i2c-dev");
  return loaded;
}

std::string accessOf(const std::string& path) {
  if (path.rfind("/dev/", 0) != 0) return "emulated";
  if (::access(path.c_str(), R_OK | W_OK) == 0) return "read and write";
  if (errno == ENOENT) return "missing";
  return std::string(std::strerror(errno)) +
         " (install the udev rule, then log out and in; or: ls -l " + path + ")";
}

std::string printableName(const uint8_t* edid) {
  std::string name;
  for (size_t i = 0; i < 13 && edid[kEDIDNameOffset + i] != '\n'; ++i) {
    name += printableEDIDByte(edid[kEDIDNameOffset + i]);
  }
  return name;
}

// One bus: its access, the EDID name read there and, on the monitor's bus,
// one status exchange. True when the monitor answered.
bool diagnoseBus(const ModelProfile& model, platform::DisplayID display, uint32_t bus,
                 bool& found) {
  auto& displays = platform::displays();
  const platform::I2CInterface interface { display, bus };
  std::string name = displays.busName(interface);
  const std::string label = name.empty() ? "bus " + std::to_string(bus) : name;
  std::printf("  %s: access %s", label.c_str(), accessOf(name).c_str());
  auto connection = displays.i2cInterfaceOpen(interface);
  if (!connection) {
    std::printf("; cannot open: %s\n", platform::busCauseText(displays.lastBusCause(interface)));
    return false;
  }
  uint8_t edid[kEDIDBlockSize];
  if (!EDIDRead(connection.get(), edid)) {
    std::printf("; EDID: %s\n", platform::busCauseText(displays.lastBusCause(interface)));
    return false;
  }
  std::printf("; EDID name \"%s\"", printableName(edid).c_str());
  if (!EDIDNamesThisModel(edid)) {
    std::printf("\n");
    return false;
  }
  found = true;
  uint8_t reply[kStatusReplyLength] = {};
  const bool answered =
      DDCRead(connection.get(), kStatusRequestData, 2, reply, kStatusReplyLength, kVendorVCPCode);
  std::printf("; the Quillmark %s: status exchange %s\n", model.modelName,
              answered ? "answered" : platform::busCauseText(displays.lastBusCause(interface)));
  return answered;
}

}  // namespace

int diagnose(const ModelProfile& model) {
  std::printf("%s %s\n", model.programName, QUILLMARK_VERSION);
  printSession();
  printI2CDev();
  auto& displays = platform::displays();
  const auto online = displays.onlineDisplayList();
  if (!online || online->empty()) std::printf("displays: none connected\n");
  bool found = false;
  bool answered = false;
  for (const platform::DisplayID display : online.value_or(std::vector<platform::DisplayID>{})) {
    const auto service = displays.displayIOServicePort(display);
    const uint32_t buses = service ? displays.i2cInterfaceCount(*service).value_or(0) : 0;
    std::printf("display %u: %u bus%s\n", display, buses, buses == 1 ? "" : "es");
    for (uint32_t bus = 0; bus < buses; ++bus) {
      answered = diagnoseBus(model, display, bus, found) || answered;
    }
  }
  if (!found) {
    std::printf("monitor: no Quillmark %s found (is it connected, on, with DDC/CI on?)\n",
                model.modelName);
  } else {
    std::printf("monitor: %s\n", answered ? "answered" : "found but did not answer");
  }
  std::fflush(stdout);
  return answered ? 0 : 1;
}
