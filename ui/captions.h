#pragma once
// Every caption the windows, menus and tray show, in both languages, in one
// table (ui/captions.cpp), view by view.

#include <QString>

enum class Caption {
  // The main panel
  kFlexibleMode,
  kSettingButton,
  kExit,
  kHide,
  kHelp,
  kCurrentSettings,
  kMonitorConnected,
  kNoMonitorDetected,
  kFixedMode,
  kSettingsNotSaved,
  kResolutionNotChanged,
  kResolutionKeptBySession,
  kLookingForMonitor,
  kBusNoAccess,
  kBusBusy,
  kBusNoAnswer,
  kNoI2CBuses,
  kBusUnsupported,
  // Settings
  kCurrentShowMode,
  kNormalShowModeSetting,
  kContrastSettingLabel,
  kRefreshSetting,
  kRefreshInterval,
  kAutoRefresh,
  kContrastHotkey,
  kRefreshHotkey,
  kOk,
  kCancel,
  kSettingsTitle,
  kNoIdleTime,
  kHotkeysLocalUseButton,
  kHotkeysLocalSwayLines,
  kHotkeysLocalBindCommands,
  kHotkeyTakenFromOthers,
  kPresetLow,
  kPresetMedium,
  kPresetHigh,
  kPresetOwn,
  kGroupDisplayMode,
  kGroupContrast,
  kGroupHotkeys,
  kGroupScreenSave,
  // Help
  kCheckNewVersion,
  kAbout,
  // Settings: the desktop's hotkeys
  kRemove,
  kAddToGnomeShortcuts,
  // The main window's menus
  kSettingsMenu,
  kStartAtLogin,
  kQuit,
  kHelpAndLanguage,
  // The tray
  kRefresh,
  kCurrentSettingsMenu,
  kShowWindow,
  kNotifyChanges,
  kTrayMonitorConnected,
  kTrayNoMonitor,
  kModesByApplicationMenu,
  // Modes by application
  kModesByApplication,
  kModesByApplicationNote,
  kApplicationColumn,
  kModeColumn,
  kAddNextApplication,
  kSwitchToTheWindow,
  kFocusFrom,
  kEnableGnomeExtension,
  kModesNotFollowed,
  kClose,
  kStillLooking,
  kSeconds,
  kMinutesAndSeconds,
  kLinkLost,
};

// The caption in English, or in Chinese.
QString caption(Caption which, bool english);
// In the language the main panel shows: Chinese for Language 1, English for any other value.
QString caption(Caption which);
