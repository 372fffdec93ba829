#include "app/command_line.h"

#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/autostart.h"
#include "app/control_names.h"
#include "app/desktop_keyboard_shortcuts.h"
#include "app/forget.h"
#include "app/modes_by_app_command.h"
#include "app/single_instance.h"
#include "app/standard_streams.h"
#include "core/application_rules.h"
#include "core/link_state.h"
#include "core/mode_table.h"
#include "platform/version.h"

// A message may quote what the user typed: it is cut short and its control
// characters (escape sequences among them) are shown as '?'.
QString printable(const QString& text) {
  constexpr qsizetype kLongest = 300;
  QString shown = text.left(kLongest);
  for (QChar& character : shown) {
    if (!character.isPrint()) character = u'?';
  }
  return text.size() > kLongest ? shown + "..." : shown;
}

namespace {

// The running instance answers at once; one that does not within this is
// stalled, unless it is still in its launch, whose wait holds its main thread
// for 5 s (and the first paint up to 1 s more) after it took its bus name.
constexpr int kCallTimeoutMs = 1000;
constexpr double kLaunchSeconds = 8;
constexpr const char* kProbeConnection = "quillmark-command-line";

[[noreturn]] void fail(const base::ModelProfile& model, const QString& text, int status) {
  std::fprintf(stderr, "%s: %s\n", model.programName, qPrintable(printable(text)));
  std::exit(status);
}

// The ShowMode a mode name stands for in a resolution mode, or 0 there.
unsigned showModeFor(const QString& name, unsigned resolution) {
  return showModeNamed(name.toUtf8().constData(), resolution);
}

// "floyd, a2, a16": the names of a resolution mode's modes, or of all of them.
QString modeNames(unsigned resolution) {
  QStringList names;
  for (const ModeRow& row : modeRows()) {
    const QString name = QString(row.name).toLower();
    if ((resolution == 0 || row.resolutionMode == resolution) && !names.contains(name)) {
      names << name;
    }
  }
  return names.join(", ");
}

// The unique name of the well-known name's owner, "" when it has none, asked
// with the same bound as every call. Everything after is asked of and sent
// to that connection: the well-known name may pass to another owner between
// two calls, and a check made of one owner must hold for the one called.
QString nameOwner(QDBusConnection& bus, const QString& name) {
  QDBusMessage message = QDBusMessage::createMethodCall(
      "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetNameOwner");
  message << name;
  const QDBusMessage reply = bus.call(message, QDBus::Block, kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) return {};
  const QString owner = reply.arguments()[0].toString();
  return owner.startsWith(':') ? owner : QString();
}

// What the bus daemon itself knows of a connection ("GetConnectionUnixUser",
// "GetConnectionUnixProcessID"); the connection is not asked.
std::optional<uint> ownerCredential(QDBusConnection& bus, const char* method,
                                    const QString& owner) {
  QDBusMessage message = QDBusMessage::createMethodCall(
      "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method);
  message << owner;
  const QDBusMessage reply = bus.call(message, QDBus::Block, kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
    return std::nullopt;
  }
  return reply.arguments()[0].toUInt();
}

// Seconds since the process started, from /proc; nullopt when unknown.
std::optional<double> secondsSinceStart(uint pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::ifstream uptime("/proc/uptime");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  double now = 0;
  const size_t nameEnd = text.rfind(')');
  if (nameEnd == std::string::npos || !(uptime >> now)) return std::nullopt;
  // After the name: state, then fields 4 to 21; the 22nd is the start time.
  std::istringstream fields(text.substr(nameEnd + 1));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
    if (i == 22) return now - std::strtod(field.c_str(), nullptr) / double(sysconf(_SC_CLK_TCK));
  }
  return std::nullopt;
}

class RunningInstance {
 public:
  // owner: the unique name of the instance's connection, checked to be this user's.
  RunningInstance(const base::ModelProfile& model, QDBusConnection bus, const QString& owner)
      : model_(model), bus_(bus), owner_(owner) {
    // An instance in its launch is waited for until the launch is over.
    const auto pid = ownerCredential(bus_, "GetConnectionUnixProcessID", owner_);
    const auto age = pid ? secondsSinceStart(*pid) : std::nullopt;
    if (age && *age >= 0 && *age < kLaunchSeconds) {
      timeoutMs_ += int((kLaunchSeconds - *age) * 1000);
    }
  }

  // The reply, or the error's text in error.
  std::optional<QDBusMessage> call(const QString& interface, const QString& method,
                                   const QVariantList& arguments, QString& error) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(owner_, kControlObjectPath, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply = bus_.call(message, QDBus::Block, timeoutMs_);
    if (reply.type() == QDBusMessage::ReplyMessage) return reply;
    if (reply.errorName() == "org.freedesktop.DBus.Error.NoReply" ||
        reply.errorName() == "org.freedesktop.DBus.Error.Timeout") {
      error = QString("%1 runs but does not answer").arg(model_.programName);
    } else {
      error = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
    }
    return std::nullopt;
  }
  // The running instance's properties, or the error's text in error.
  std::optional<QVariantMap> readProperties(QString& error) {
    const auto reply =
        call("org.freedesktop.DBus.Properties", "GetAll", {QString(kControlInterface)}, error);
    if (!reply || reply->arguments().size() != 1) return std::nullopt;
    return qdbus_cast<QVariantMap>(reply->arguments()[0]);
  }
  // The running instance's properties; ends this start when they cannot be read.
  QVariantMap properties() {
    QString error;
    const auto values = readProperties(error);
    if (!values) fail(model_, "cannot read the running instance's state: " + error, 1);
    return *values;
  }

 private:
  const base::ModelProfile& model_;
  QDBusConnection bus_;
  QString owner_;
  int timeoutMs_ = kCallTimeoutMs;
};

// Calls use with the instance of this program that owns its name on the
// session bus, over a connection of its own; false when none does. An owner
// of another user's is never told anything: with foreignIsNone it counts as
// no instance (a start goes on, the instance lock keeping it to one), else
// the command ends there.
template <typename Use>
bool withRunningInstance(const base::ModelProfile& model, bool foreignIsNone, Use use) {
  bool running = false;
  {
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, kProbeConnection);
    const QString owner = bus.isConnected() ? nameOwner(bus, controlServiceName(model)) : "";
    running = !owner.isEmpty();
    // A bus that lets other users connect may hold the name for an impostor:
    // only this user's own instance is told anything or believed.
    const auto user = running ? ownerCredential(bus, "GetConnectionUnixUser", owner) : std::nullopt;
    if (running && user != geteuid() && foreignIsNone) {
      running = false;
    } else if (running && user != geteuid()) {
      fail(model,
           QString("%1 on this session bus belongs to %2, not to you: it is not trusted")
               .arg(controlServiceName(model),
                    user ? QString("user %1").arg(*user) : QString("an unknown user")),
           1);
    }
    if (running) {
      RunningInstance instance(model, bus, owner);
      use(instance);
    }
  }
  QDBusConnection::disconnectFromBus(kProbeConnection);
  return running;
}

// Only where the monitor works with another threshold than the saved one: the
// connection sends none, so until the contrast is changed it keeps its own.
void printThresholdOnMonitor(const QVariantMap& values, const ModeRow* row, unsigned threshold) {
  if (!values.value("Online").toBool() || row == nullptr || row->thresholdCommand == nullptr ||
      !values.contains("ThresholdOnMonitor"))
    return;
  const int onMonitor = values.value("ThresholdOnMonitor").toInt();
  if (onMonitor == kThresholdNotSent) {
    std::printf(
        "threshold on the monitor: its own until the contrast is changed "
        "(none is sent when it connects)\n");
  } else if (onMonitor >= 0 && static_cast<unsigned>(onMonitor) != threshold) {
    std::printf("threshold on the monitor: %d\n", onMonitor);
  }
}

int printStatus(RunningInstance& instance) {
  const QVariantMap values = instance.properties();
  const unsigned mode = values.value("ShowMode").toUInt();
  const unsigned resolution = values.value("ResCommMode").toUInt();
  std::printf("online: %s\n", values.value("Online").toBool() ? "yes" : "no");
  // Only after the worker gave the link up: why, until the monitor is back.
  if (const QString lost = values.value("LinkLost").toString();
      !values.value("Online").toBool() && !lost.isEmpty()) {
    std::printf("link lost: %s\n", qPrintable(printable(lost)));
  }
  const ModeRow* row = modeRow(mode);
  std::printf("mode: %s (%u)\n", row != nullptr ? row->name : "unknown", mode);
  const unsigned threshold = values.value("Threshold").toUInt();
  std::printf("threshold: %u\n", threshold);
  printThresholdOnMonitor(values, row, threshold);
  std::printf("resolution mode: %s (%u)\n",
              resolution == 1   ? "flexible"
              : resolution == 2 ? "fixed"
                                : "unknown",
              resolution);
  // Only where the monitor follows the task: without rules the status stays
  // the four lines scripts read.
  if (!values.value("Rules").toStringList().isEmpty()) {
    const QString focused = values.value("FocusedApplication").toString();
    std::printf("focused application: %s\n",
                focused.isEmpty() ? "not known" : qPrintable(printable(focused)));
    std::printf("mode chosen by: %s\n", values.value("ModeChosenBy").toString() == "rule"
                                            ? "the application's rule"
                                            : "the user");
    std::printf("focus from: %s\n", qPrintable(printable(values.value("FocusSource").toString())));
  }
  // Nothing printed (output closed at start, or a full disk) is no status given.
  return standardOutputWasClosed() || std::fflush(stdout) != 0 || std::ferror(stdout) ? 1 : 0;
}

int carryOutWithoutInstance(const base::ModelProfile& model, const Command& command) {
  switch (command.action) {
    case Command::kAutostart:
      return setAutostartFromCommandLine(model, command);
    case Command::kDesktopShortcuts:
      return setGnomeShortcutsFromCommandLine(model, command.argument == "on");
    case Command::kForget:
      return forgetFromCommandLine(model);
    case Command::kModeFor:
      return setModeForFromCommandLine(model, command.argument, command.ruleMode);
    case Command::kModesByApp:
      // The running program, which has a display, opens its window too.
      withRunningInstance(model, true, [](RunningInstance& instance) {
        QString ignored;
        instance.call(kControlInterface, "ShowModesByApplication", {}, ignored);
      });
      return listModesByApplication(model);
    case Command::kFeedback:
      return setFeedbackFromCommandLine(model, command.argument == "on");
    default:
      return 2;
  }
}

int carryOut(RunningInstance& instance, const base::ModelProfile& model, const Command& command) {
  QString error;
  QString method;
  QVariantList arguments;
  switch (command.action) {
    case Command::kNone:
      if (command.hidden) return 0;
      method = "ShowWindow";
      break;
    case Command::kContrastUp:
      method = "ContrastUp";
      break;
    case Command::kContrastDown:
      method = "ContrastDown";
      break;
    case Command::kRefresh:
      method = "Refresh";
      break;
    case Command::kHotkey:
      method = "PressHotkey";
      arguments = {command.argument};
      break;
    case Command::kStatus:
      return printStatus(instance);
    case Command::kAutostart:
    case Command::kDesktopShortcuts:
    case Command::kForget:
    case Command::kModeFor:
    case Command::kModesByApp:
    case Command::kFeedback:
      return carryOutWithoutInstance(model, command);
    case Command::kResolution:
      method = "SetResolutionMode";
      arguments = {uint(command.argument == "flexible" ? 1 : 2)};
      break;
    case Command::kMode: {
      const unsigned resolution = instance.properties().value("ResCommMode").toUInt();
      const unsigned mode = showModeFor(command.argument, resolution);
      if (mode == 0) {
        fail(model,
             QString("mode %1 is not one of the %2 resolution mode's: %3")
                 .arg(command.argument, resolution == 1 ? "flexible" : "fixed",
                      modeNames(resolution)),
             1);
      }
      method = "SetShowMode";
      arguments = {uint(mode)};
      break;
    }
  }
  if (!instance.call(kControlInterface, method, arguments, error)) fail(model, error, 1);
  return 0;
}

}  // namespace

Command parseCommandLine(const base::ModelProfile& model, const QCoreApplication& application) {
  QCoreApplication::setApplicationName(model.programName);
  QCoreApplication::setApplicationVersion(QUILLMARK_VERSION);
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QString("Control program for the Talvex Quillmark %1 e-ink monitor.\n"
              "The actions go to the running %2; they fail when it does not run.")
          .arg(model.modelName, model.programName));
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  const QCommandLineOption contrastUp("contrast-up", "Raise the contrast threshold by 10.");
  const QCommandLineOption contrastDown("contrast-down", "Lower the contrast threshold by 10.");
  const QCommandLineOption refresh("refresh", "Refresh the screen against ghosting.");
  const QCommandLineOption mode("mode",
                                QString("Switch to a display mode: %1 (flexible) or %2 (fixed).")
                                    .arg(modeNames(1), modeNames(2)),
                                "name");
  const QCommandLineOption resolution("resolution", "Switch the resolution mode.",
                                      "flexible|fixed");
  const QCommandLineOption status("status", "Print online, mode, threshold and resolution mode.");
  const QCommandLineOption hidden("hidden", "Start without showing the window.");
  const QCommandLineOption autostart("autostart", "Start at login, or not.", "on|off");
  const QCommandLineOption desktopShortcuts(
      "desktop-shortcuts",
      "Put the hotkeys into GNOME's own keyboard shortcuts, or take them out again.", "on|off");
  const QCommandLineOption hotkey(
      "hotkey",
      "Act as the hotkey does (for the desktop's own shortcuts): nothing while it is off in "
      "Settings, the program's offline behaviour while no monitor is connected.",
      "contrast-up|contrast-down|refresh");
  const QCommandLineOption forget(
      "forget",
      "Take out of the desktop what the program put there (GNOME's and KDE's shortcuts, start "
      "at login, remembered answers); run it before removing the package.");
  const QCommandLineOption modeFor(
      "mode-for",
      "Give an application (its app id, desktop file name or X11 class) a mode while it has the "
      "focus: APP A5|A2|A16 (A5 is the first button, Floyd in the flexible mode), or APP none.",
      "app");
  const QCommandLineOption modesByApp("modes-by-app",
                                      "List the modes by application and where they are kept.");
  const QCommandLineOption feedback(
      "feedback",
      "Say in a desktop notification what a hotkey or an application's rule changed, or not "
      "(off at first: on an e-ink panel every pop-up costs a redraw).",
      "on|off");
  const QCommandLineOption diagnose(
      "diagnose",
      "Report the session, i2c-dev, each display's buses with their access, the EDID names "
      "read, and one status exchange with the monitor; exit 0 when it answered.");
  parser.addOptions({contrastUp, contrastDown, refresh, mode, resolution, status, hidden, diagnose,
                     autostart, desktopShortcuts, hotkey, forget, modeFor, modesByApp, feedback});
  if (!parser.parse(application.arguments())) fail(model, parser.errorText(), 2);
  if (parser.isSet(help) || parser.isSet("help-all")) parser.showHelp(0);
  if (parser.isSet(version)) parser.showVersion();
  for (const QString& option : parser.unknownOptionNames()) {
    if (option.size() > 1) fail(model, "unknown option --" + option + "; see --help", 2);
  }
  // --mode-for's mode is the one word that may follow the options.
  QStringList words = parser.positionalArguments();
  QString ruleMode;
  if (parser.isSet(modeFor) && !words.isEmpty()) ruleMode = words.takeFirst().toLower();
  if (!words.isEmpty()) {
    fail(model, "unexpected words: " + words.join(' ') + "; see --help", 2);
  }
  Command command;
  command.hidden = parser.isSet(hidden);
  command.diagnose = parser.isSet(diagnose);
  int actions = 0;
  const auto take = [&](const QCommandLineOption& option, Command::Action action) {
    if (!parser.isSet(option)) return;
    ++actions;
    command.action = action;
    if (!option.valueName().isEmpty()) command.argument = parser.value(option).toLower();
  };
  take(contrastUp, Command::kContrastUp);
  take(contrastDown, Command::kContrastDown);
  take(refresh, Command::kRefresh);
  take(mode, Command::kMode);
  take(resolution, Command::kResolution);
  take(status, Command::kStatus);
  take(autostart, Command::kAutostart);
  take(desktopShortcuts, Command::kDesktopShortcuts);
  take(hotkey, Command::kHotkey);
  take(forget, Command::kForget);
  take(modesByApp, Command::kModesByApp);
  take(feedback, Command::kFeedback);
  if (parser.isSet(modeFor)) {
    ++actions;
    command.action = Command::kModeFor;
    command.argument = parser.value(modeFor);
    command.ruleMode = ruleMode;
  }
  if (actions + (command.diagnose ? 1 : 0) > 1) {
    fail(model, "give one action at a time; see --help", 2);
  }
  if (command.action == Command::kMode && showModeFor(command.argument, 1) == 0 &&
      showModeFor(command.argument, 2) == 0) {
    fail(model, "unknown mode " + command.argument + "; the modes are " + modeNames(0), 2);
  }
  if ((command.action == Command::kAutostart || command.action == Command::kDesktopShortcuts ||
       command.action == Command::kFeedback) &&
      command.argument != "on" && command.argument != "off") {
    fail(model,
         command.action == Command::kAutostart  ? "--autostart takes on or off"
         : command.action == Command::kFeedback ? "--feedback takes on or off"
                                                : "--desktop-shortcuts takes on or off",
         2);
  }
  if (command.action == Command::kHotkey && command.argument != "contrast-up" &&
      command.argument != "contrast-down" && command.argument != "refresh") {
    fail(model, "--hotkey takes contrast-up, contrast-down or refresh", 2);
  }
  if (command.action == Command::kModeFor &&
      ((!buttonNamed(command.ruleMode.toStdString()) && command.ruleMode != "none") ||
       !isApplicationName(command.argument.toStdString()))) {
    fail(model, "--mode-for takes an application and A5, A2, A16 or none", 2);
  }
  if (command.action == Command::kResolution && command.argument != "flexible" &&
      command.argument != "fixed") {
    fail(model, "the resolution mode is flexible or fixed", 2);
  }
  return command;
}

int setAutostartFromCommandLine(const base::ModelProfile& model, const Command& command) {
  const bool on = command.argument == "on";
  QString why;
  if (!setAutostart(model, on, &why)) {
    std::fprintf(stderr, "%s: cannot %s %s: %s\n", model.programName, on ? "write" : "remove",
                 qPrintable(autostartPath(model)), qPrintable(why));
    return 1;
  }
  std::printf("%s %s at login (%s)\n", model.programName, on ? "starts" : "does not start",
              qPrintable(autostartPath(model)));
  return 0;
}

bool actsWithoutInstance(Command::Action action) {
  return action == Command::kAutostart || action == Command::kDesktopShortcuts ||
         action == Command::kForget || action == Command::kModeFor ||
         action == Command::kModesByApp || action == Command::kFeedback;
}

std::optional<int> handOver(const base::ModelProfile& model, const Command& command) {
  if (actsWithoutInstance(command.action)) return carryOutWithoutInstance(model, command);
  std::optional<int> status;
  const bool running = withRunningInstance(
      model, command.action == Command::kNone,
      [&](RunningInstance& instance) { status = carryOut(instance, model, command); });
  if (!running && command.action != Command::kNone) {
    if (instanceLockHeld(model)) {
      std::fprintf(stderr,
                   "%s runs, but not on this session bus (or there is none here), so the "
                   "action cannot reach it; run the command in the desktop session the "
                   "program was started in.\n",
                   model.programName);
    } else {
      std::fprintf(stderr, "%s is not running; start it first (the action goes to it).\n",
                   model.programName);
    }
    status = 1;
  }
  return status;
}

std::optional<QVariantMap> runningInstanceState(const base::ModelProfile& model, QString& error) {
  std::optional<QVariantMap> state;
  withRunningInstance(model, true, [&](RunningInstance& instance) {
    state = instance.readProperties(error).value_or(QVariantMap{});
  });
  return state;
}

void showRunningInstance(const base::ModelProfile& model) {
  handOver(model, Command{});
}
