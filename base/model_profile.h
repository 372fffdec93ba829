#pragma once
// What differs between the Alto and the Tenor monitor programs. Each program's
// main() selects its profile before anything else runs; code asks the profile
// at each place where the models behave differently.

#include <cstdint>

namespace base {

struct ModelProfile {
  const char* programName;  // "AltoControl" / "TenorControl"
  const char* modelName;    // "Alto" / "Tenor"
  // The desktop's name for the program: its desktop file, Wayland app id and
  // portal identity ("com.talvex.AltoControl").
  const char* appId;

  // Discovery: the monitor name at EDID offset 95 and how many bytes are compared.
  const char* edidName;
  uint8_t edidNameLength;

  // Log: whether messages reach the log file (Tenor only empties it).
  bool logWritesFile;

  // Threshold mapping of the low-resolution A5 mode (ShowMode 4).
  uint16_t lowA5Minimum;
  uint16_t lowA5Maximum;
  uint16_t lowA5LevelStep;

  // Monitor worker.
  uint8_t failureLimit;               // failures that take the link down
  bool logsScreenSaveResend;          // "send screen save.\n" on every saved pass
  bool usesResManualChangeFlag;       // manual resolution picks are not reported back
  bool clearsAfterResolutionRequest;  // ClearBlurFlag = 2 after a resolution request
  uint8_t modeEventMaxData;           // type-7 events accept data 1..this
  bool thresholdEventCancelsScreenSave;
  double endOfPassSleep;  // seconds

  // Hotkeys.
  bool hotkeysNeedModifier;
  bool contrastHotkeyClampsToEnds;

  // Main panel and settings dialog.
  bool modeActionDisablesButtonAgain;
  const char* fixedModeLabelEnglish;
  const char* fixedModeLabelChinese;
  bool presetsDisabledInFloydAndA5;

  // Shortcut recorder and validator texts follow Language.
  bool localizedShortcutTexts;
};

const ModelProfile& altoProfile();
const ModelProfile& tenorProfile();

void selectProfile(const ModelProfile& profile);
const ModelProfile& profile();

}  // namespace base
