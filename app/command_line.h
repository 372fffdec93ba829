#pragma once
// The programs' command line. It is read, and handed to a running instance,
// before any window, bus, log or settings file is touched, so that
// `AltoControl --refresh` bound to a key in the desktop's keyboard settings
// acts on the running program and ends.

#include <QString>
#include <optional>

#include "base/model_profile.h"

class QCoreApplication;

struct Command {
  enum Action {
    kNone,
    kContrastUp,
    kContrastDown,
    kRefresh,
    kMode,
    kResolution,
    kStatus,
    kAutostart,
    kDesktopShortcuts,
    kHotkey,
    kForget,
    kModeFor,
    kModesByApp,
    kFeedback
  };
  Action action = kNone;
  QString argument;  // the mode's or resolution mode's name, on/off, the hotkey's id, or the
                     // application
  QString ruleMode;  // --mode-for's mode: a5, floyd, a2, a16 or none
  bool hidden = false;
  bool diagnose = false;  // report on the buses and the monitor, then end
};

// Actions on the user's files and desktop entries, carried out with or
// without a running instance.
bool actsWithoutInstance(Command::Action action);

// Answers --help and --version and ends the program there (they need no
// display); a bad command line ends it with a message and status 2. Qt's
// own single-dash options (-platform, -display ...) are left to Qt.
Command parseCommandLine(const base::ModelProfile& model, const QCoreApplication& application);

// --autostart on|off: the entry in ~/.config/autostart, with or without a
// running instance. The exit status: 0 when the entry is as asked.
int setAutostartFromCommandLine(const base::ModelProfile& model, const Command& command);

// With an instance of this program running on the session bus, hands the
// command to it (no action: bring its window to the front) and returns this
// start's exit status: 0 when the action was carried out. Without one, an
// action ends with status 1 ("not running"); nullopt: start the program.
std::optional<int> handOver(const base::ModelProfile& model, const Command& command);

// Brings the running instance's window to the front (a start that lost the
// race for the bus name).
void showRunningInstance(const base::ModelProfile& model);
