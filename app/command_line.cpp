#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

#include "app/autostart.h"
#include "app/command_messages.h"
#include "app/control_names.h"
#include "app/desktop_keyboard_shortcuts.h"
#include "app/forget.h"
#include "app/instance_status.h"
#include "app/modes_by_app_command.h"
#include "app/running_instance.h"
#include "app/single_instance.h"
#include "core/application_rules.h"
#include "core/mode_table.h"
#include "platform/version.h"

namespace {

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
    case Command::kModesByApp: {
      // The running program, which has a display, opens its window too, and
      // says where it takes the focus from.
      std::optional<QVariantMap> state;
      withRunningInstance(model, true, [&state](RunningInstance& instance) {
        QString ignored;
        instance.call(kControlInterface, "ShowModesByApplication", {}, ignored);
        state = instance.readProperties(ignored).value_or(QVariantMap{});
      });
      return listModesByApplication(model, state);
    }
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
        endCommand(model,
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
  if (!instance.call(kControlInterface, method, arguments, error)) endCommand(model, error, 1);
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
  if (!parser.parse(application.arguments())) endCommand(model, parser.errorText(), 2);
  if (parser.isSet(help) || parser.isSet("help-all")) parser.showHelp(0);
  if (parser.isSet(version)) parser.showVersion();
  for (const QString& option : parser.unknownOptionNames()) {
    if (option.size() > 1) endCommand(model, "unknown option --" + option + "; see --help", 2);
  }
  // --mode-for's mode is the one word that may follow the options.
  QStringList words = parser.positionalArguments();
  QString ruleMode;
  if (parser.isSet(modeFor) && !words.isEmpty()) ruleMode = words.takeFirst().toLower();
  if (!words.isEmpty()) {
    endCommand(model, "unexpected words: " + words.join(' ') + "; see --help", 2);
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
    endCommand(model, "give one action at a time; see --help", 2);
  }
  if (command.action == Command::kMode && showModeFor(command.argument, 1) == 0 &&
      showModeFor(command.argument, 2) == 0) {
    endCommand(model, "unknown mode " + command.argument + "; the modes are " + modeNames(0), 2);
  }
  if ((command.action == Command::kAutostart || command.action == Command::kDesktopShortcuts ||
       command.action == Command::kFeedback) &&
      command.argument != "on" && command.argument != "off") {
    endCommand(model,
               command.action == Command::kAutostart  ? "--autostart takes on or off"
               : command.action == Command::kFeedback ? "--feedback takes on or off"
                                                      : "--desktop-shortcuts takes on or off",
               2);
  }
  if (command.action == Command::kHotkey && command.argument != "contrast-up" &&
      command.argument != "contrast-down" && command.argument != "refresh") {
    endCommand(model, "--hotkey takes contrast-up, contrast-down or refresh", 2);
  }
  if (command.action == Command::kModeFor &&
      ((!buttonNamed(command.ruleMode.toStdString()) && command.ruleMode != "none") ||
       !isApplicationName(command.argument.toStdString()))) {
    endCommand(model, "--mode-for takes an application and A5, A2, A16 or none", 2);
  }
  if (command.action == Command::kResolution && command.argument != "flexible" &&
      command.argument != "fixed") {
    endCommand(model, "the resolution mode is flexible or fixed", 2);
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

void showRunningInstance(const base::ModelProfile& model) {
  handOver(model, Command{});
}
