#include "app/diagnose.h"

#include <unistd.h>

#include <QDir>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/command_messages.h"
#include "app/desktop_keyboard_shortcuts.h"
#include "app/desktop_shortcuts.h"
#include "app/focus_source_report.h"
#include "app/running_instance.h"
#include "app/single_instance.h"
#include "base/tl_log.h"
#include "core/application_rules.h"
#include "core/mode_table.h"
#include "core/parameter_store.h"
#include "link/bus_walk.h"
#include "link/ddc_transport.h"
#include "link/display_discovery.h"
#include "link/monitor_commands.h"
#include "platform/input/idle_source.h"
#include "platform/modes/display_mode_owners.h"
#include "platform/platform.h"
#include "platform/version.h"

namespace {

namespace fs = std::filesystem;

// instanceHotkeys: what a running instance says carries its hotkeys, which
// is then reported instead of what a look at the desktop would say.
void printSession(const base::ModelProfile& model, const QString& instanceHotkeys) {
  const platform::session::SessionType session = platform::session::detectSession();
  std::printf("session: %s\n", session.describe().c_str());
  std::printf("display modes: %s\n", platform::modes::DisplayModeOwners::describe(session).c_str());
  if (session.wayland) {
    const auto source = platform::input::startIdleSource(session, [] {});
    std::printf("idle time: %s\n",
                source ? source->name().c_str()
                       : "none in this session: screen save will not start on its own");
  } else {
    std::printf("idle time: %s\n", session.x11 ? "X11 input events" : "none");
  }
  if (const std::string notRegular = loadParametersQuietly(QDir::homePath().toStdString());
      !notRegular.empty()) {
    std::printf("private data file: %s", notRegular.c_str());
  }
  if (session.wayland && !session.isGnome() && !session.isKde()) {
    // wlroots desktops bind keys in their own configuration: the lines to paste.
    const std::string lines = swayBindings(model);
    std::printf(
        "hotkeys for sway (desktop: %s; add to ~/.config/sway/config, then swaymsg "
        "reload):%s\n",
        session.desktop.empty() ? "not named" : session.desktop.c_str(),
        lines.empty() ? " none, the hotkeys are off in Settings" : "");
    for (const QString& line : QString::fromStdString(lines).split('\n')) {
      if (!line.isEmpty()) std::printf("  %s\n", qPrintable(line));
    }
  }
  if (!instanceHotkeys.isEmpty()) {
    QString said = instanceHotkeys;
    if (said.endsWith('.')) said.chop(1);
    std::printf("global hotkeys: %s (the running instance's)\n", qPrintable(said));
    return;
  }
  std::printf("global hotkeys: %s\n",
              qPrintable(DesktopShortcuts::lookWithoutInstance(model, session)));
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

// What the buses showed, for the report's last line.
struct Findings {
  bool found = false;
  bool answered = false;
  std::string noAccess;                            // the first bus the user may not open
  const base::ModelProfile* otherModel = nullptr;  // a Quillmark of the other model
};

const base::ModelProfile& otherModelThan(const base::ModelProfile& model) {
  return &model == &base::altoProfile() ? base::tenorProfile() : base::altoProfile();
}

// One bus: its access, the EDID name read there and, on the monitor's bus,
// one status exchange.
void diagnoseBus(const base::ModelProfile& model, const VisitedBus& bus, Findings& findings) {
  const std::string name = platform::displays().busName(bus.interface);
  const std::string label = busLabel(bus);
  std::printf("  %s: access %s", label.c_str(), accessOf(name).c_str());
  if (!bus.connection) {
    if (bus.cause == platform::BusCause::kNoAccess && findings.noAccess.empty()) {
      findings.noAccess = label;
    }
    std::printf("; cannot open: %s\n", platform::busCauseText(bus.cause));
    return;
  }
  uint8_t edid[kEDIDBlockSize];
  platform::BusCause cause = platform::BusCause::kNone;
  if (!EDIDRead(bus.connection.get(), edid, &cause)) {
    std::printf("; EDID: %s\n", platform::busCauseText(cause));
    return;
  }
  std::printf("; EDID name \"%s\"", printableName(edid).c_str());
  if (!EDIDNamesThisModel(edid)) {
    if (EDIDNamesModel(edid, otherModelThan(model))) findings.otherModel = &otherModelThan(model);
    std::printf("\n");
    return;
  }
  findings.found = true;
  uint8_t reply[kStatusReplyLength] = {};
  const bool answered = DDCRead(bus.connection.get(), kStatusRequestData, 2, reply,
                                kStatusReplyLength, kVendorVCPCode, &cause);
  std::printf("; the Quillmark %s: status exchange %s\n", model.modelName,
              answered ? "answered" : platform::busCauseText(cause));
  findings.answered = findings.answered || answered;
}

// The last line names the first real cause, in the order a user would fix them.
void printVerdict(const base::ModelProfile& model, const Findings& findings, bool i2cDevLoaded) {
  if (findings.found) {
    std::printf("monitor: %s\n", findings.answered ? "answered" : "found but did not answer");
  } else if (findings.otherModel != nullptr) {
    std::printf("monitor: this is a Quillmark %s, not %s %s: run %s\n",
                findings.otherModel->modelName, model.modelName[0] == 'A' ? "an" : "a",
                model.modelName, findings.otherModel->programName);
  } else if (!findings.noAccess.empty()) {
    std::printf(
        "monitor: not found: no access to %s (install the udev rule, then log out and "
        "in)\n",
        findings.noAccess.c_str());
  } else if (!i2cDevLoaded) {
    std::printf("monitor: not found: i2c-dev is not loaded (sudo modprobe i2c-dev)\n");
  } else {
    std::printf("monitor: no Quillmark %s found (is it connected, on, with DDC/CI on?)\n",
                model.modelName);
  }
}

// The rules, and where a running instance takes the focus from.
void printModesByApplication(const std::optional<QVariantMap>& state) {
  const ApplicationRules read = loadApplicationRules();
  std::printf("modes by application: %zu rule%s in %s", read.rules.size(),
              read.rules.size() == 1 ? "" : "s", applicationRulesPath().c_str());
  if (!read.problems.empty()) std::printf(", %zu line(s) not used", read.problems.size());
  if (const auto source = reportedFocusSource(state)) {
    std::printf("; focus from %s", source->c_str());
  }
  std::printf("\n");
}

// A running instance holds the monitor: it is asked, and the buses are left to it.
int reportRunningInstance(const base::ModelProfile& model, const QVariantMap& state,
                          const QString& error) {
  if (state.isEmpty()) {
    std::printf("instance: %s runs but does not answer (%s); the monitor is left to it\n",
                model.programName, qPrintable(error));
    return 1;
  }
  const bool online = state.value("Online").toBool();
  const ModeRow* row = modeRow(state.value("ShowMode").toUInt());
  std::printf("instance: %s runs and holds the monitor; its buses are left to it\n",
              model.programName);
  std::printf("instance state: online %s, mode %s, threshold %u, resolution mode %u\n",
              online ? "yes" : "no", row != nullptr ? row->name : "unknown",
              state.value("Threshold").toUInt(), state.value("ResCommMode").toUInt());
  const QString lost = state.value("LinkLost").toString();
  std::printf("monitor: %s\n", online           ? "answered (through the running instance)"
                               : lost.isEmpty() ? "not connected to the running instance"
                                                : qPrintable("not connected to the running "
                                                             "instance; the link was lost: " +
                                                             printable(lost)));
  return online ? 0 : 1;
}

}  // namespace

int printDiagnosis(const base::ModelProfile& model) {
  // The detection's log lines belong to the program's log, which a report
  // neither opens (and so empties) nor copies into itself.
  base::tl_log_close();
  base::tl_log_place(
      {[] { return std::string(); }, [](std::string_view) {}, [](std::string_view) {}});
  std::printf("%s %s\n", model.programName, QUILLMARK_VERSION);
  QString error;
  const auto state = runningInstanceState(model, error);
  printSession(model, state ? state->value("Hotkeys").toString() : QString());
  printModesByApplication(state);
  const bool i2cDevLoaded = printI2CDev();
  if (state) {
    const int status = reportRunningInstance(model, *state, error);
    std::fflush(stdout);
    return status;
  }
  if (std::string why; takeInstanceLock(model, why) == InstanceLock::kHeldByAnother) {
    std::printf("instance: %s runs (no session bus to ask it); its buses are left to it\n",
                model.programName);
    std::fflush(stdout);
    return 1;
  }
  auto& displays = platform::displays();
  const auto online = displays.onlineDisplayList();
  if (!online || online->empty()) std::printf("displays: none connected\n");
  Findings findings;
  for (const platform::DisplayID display : online.value_or(std::vector<platform::DisplayID>{})) {
    const auto service = displays.displayIOServicePort(display);
    const uint32_t buses = service ? displays.i2cInterfaceCount(*service).value_or(0) : 0;
    std::printf("display %u: %u bus%s\n", display, buses, buses == 1 ? "" : "es");
    walkDisplayBuses(display, RegistryEntry::kNotNeeded, [&](VisitedBus& bus) {
      diagnoseBus(model, bus, findings);
      return false;
    });
  }
  printVerdict(model, findings, i2cDevLoaded);
  std::fflush(stdout);
  return findings.answered ? 0 : 1;
}
