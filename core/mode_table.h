#pragma once
// What each ShowMode is, for every surface that shows, names or acts on one:
// the mode buttons and their captions, the settings column, the name the
// tray, the command line and D-Bus use, the threshold the worker loads on a
// change of mode and the command that carries a threshold, the resolution
// mode the ShowMode belongs to, and what the monitor's mode event maps to.

#include <cstdint>
#include <span>

// The main panel's three mode buttons, left to right.
enum class ModeButton : uint8_t { kA5, kA2, kA16 };

// How a 0..255 threshold maps to what the monitor takes in a mode.
enum class ThresholdScale : uint8_t { kNone, kFloydLevels, kA2Range, kLowA5Range };

struct ModeRow {
  uint8_t showMode;        // 1..6
  uint8_t resolutionMode;  // 1 flexible, 2 fixed
  ModeButton button;
  const char* buttonCaption;           // on its panel button
  int settingsColumn;                  // in the settings dialog's ShowMode radio
  const char* settingsCaption;         // the settings dialog's current mode
  const char* currentSettingsCaption;  // the current-settings view
  const char* name;                    // tray, --status, --mode, D-Bus
  const char* panelTrace;              // the panel's console line for its button
  uint16_t defaultThreshold;           // loaded on a change into it; 0: kept
  ThresholdScale scale;
  bool (*thresholdCommand)(uint8_t value);  // nullptr: the mode takes none
};

// The model's six rows, in ShowMode order.
std::span<const ModeRow> modeRows();
// nullptr for a value that is no ShowMode.
const ModeRow* modeRow(unsigned showMode);
// The ShowMode of a panel button in a resolution mode; 0 when there is none.
uint8_t showModeOf(ModeButton button, unsigned resolutionMode);
// The ShowMode of a name ("floyd", "A2" ...) in a resolution mode; 0 when none.
uint8_t showModeNamed(const char* name, unsigned resolutionMode);
// The ShowMode a type-7 status event's data selects while in a resolution mode.
uint8_t showModeOfEvent(uint8_t data, unsigned resolutionMode);
