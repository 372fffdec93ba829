#pragma once
// The program's actions on the monitor, shared by every way to act: the main
// panel, the hotkeys, the desktop's shortcuts, the tray, D-Bus and the command
// line. Each keeps the limits, flags and log lines in one place and returns at
// once; the worker carries the request out on its next pass. Only the panel
// adds pauses around them, as its buttons always did.

#include <atomic>
#include <cstdint>
#include <string>

#include "core/mode_table.h"
#include "core/parameters.h"

enum class ActionResult {
  kDone,
  kUnchanged,  // what was asked is already in force: nothing is sent
  kOffline,    // no monitor is connected
  kInvalid,    // not a ShowMode of the resolution mode in force, or no resolution mode
  kRefused,    // the desktop kept the monitor's display mode
  kNotSaved,   // in force, but the Parameters file was not saved
};

// ShowMode, WorkMode 1, then the flag the worker acts on.
void requestShowMode(uint8_t showMode);
// From anywhere but the panel's buttons: checked, a no-op on the mode in
// force, traced and saved as the panel's button is; the panel follows. A
// save that failed says why in failure, where given.
ActionResult chooseShowMode(unsigned showMode, std::string* failure = nullptr);
// A mode button pressed for the user by an application's rule: the same
// checks and request, nothing saved (the Parameters file keeps the user's
// own choice).
ActionResult pressModeButtonFor(ModeButton button);

// The computer's display mode, ResCommMode, the ShowMode of the same button
// in the new family with its default threshold, then the flag. Where the
// desktop lists the monitor's modes but keeps its size (it refused, failed,
// or has no mode of that size), nothing is recorded or sent and the result
// is not taken: the monitor must never expect a size it does not receive.
// The way back to the flexible mode is the exception: without the size it
// remembered, it is recorded and sent with the screen kept as it is.
// The outcome is also noted for the status line.
struct ResolutionOutcome {
  bool taken = false;   // recorded, and sent by the worker's next pass
  std::string failure;  // why the desktop kept the monitor's display mode
  // Recorded in a session that does not let the program change the
  // monitor's display mode: nothing changed on screen.
  bool changeRefused = false;
};
ResolutionOutcome requestResolutionMode(uint8_t resolutionMode);
// The panel's console line for the resolution row of a resolution mode.
const char* resolutionRowTrace(uint8_t resolutionMode);
// A refusal or a failed save says why in failure, where given.
ActionResult chooseResolutionMode(unsigned resolutionMode, std::string* failure = nullptr);

// A threshold shown on the monitor before it is kept: value first, then flag,
// and only when it differs from the kept one.
void previewThreshold(uint16_t threshold);

// The kept threshold back on the monitor where a preview showed another.
void withdrawThresholdPreview(uint16_t previewed);

// The resolution mode in force sent again, as the panel's row does when
// nothing in it is selected.
void resendResolutionMode();

struct HotkeyChoice {
  uint32_t keyCode = 0;
  uint32_t modifierFlags = 0;
};

// What the settings dialog's OK keeps.
struct SettingsChoice {
  uint8_t workMode = 1;
  uint8_t showMode = 0;  // 0: unchanged
  uint16_t threshold = 0;
  bool contrastHotkeysOn = false;
  bool refreshHotkeyOn = false;
  bool autoRefresh = false;
  uint32_t refreshInterval = kShortestRefreshInterval;
  HotkeyChoice contrastUp, contrastDown, refresh;
};
void commitSettings(const SettingsChoice& choice);

// What every end of the program does, in this order: the private data
// file's and the log's streams closed where open, the refresh timer stopped
// (fini_release's work). Nothing is saved and nothing sent.
void closeForExit();
// Ends the program as the panel's Exit does: closeForExit, then the process ends.
void quitProgram();
