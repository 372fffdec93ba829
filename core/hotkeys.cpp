#include "core/hotkeys.h"

#include "base/model_profile.h"
#include "base/tl_log.h"
#include "core/feedback.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "core/ui_posts.h"
#include "platform/key_codes.h"

namespace {

bool matches(uint32_t modifiers, const platform::Event& event, uint32_t hotkeyModifiers,
             uint32_t hotkeyKeyCode) {
  return modifiers == hotkeyModifiers && event.hasKeyCode && event.keyCode == hotkeyKeyCode;
}

}  // namespace

void contrastStep(bool up) {
  const bool clamps = base::profile().contrastHotkeyClampsToEnds;
  uint16_t threshold = Threshold.load();
  if (up) {
    base::tl_log("Press Contrast up hotkey.\n");
    base::tl_log("add threshold .\n");
    if (threshold < 246) {
      threshold = static_cast<uint16_t>(threshold + 10);
    } else if (clamps) {
      threshold = 255;
    }
  } else {
    base::tl_log("Press Contrast down hotkey.\n");
    base::tl_log("del threshold .\n");
    if (threshold > 10) {
      threshold = static_cast<uint16_t>(threshold - 10);
    } else if (clamps) {
      threshold = 1;
    }
  }
  Threshold = threshold;
  requestThreshold(threshold);
  if (SVC.load() != nullptr) postUpdateThreshold();
}

void handleActivityEvent(const platform::Event& event) {
  ScreenSaveCount = 0;
  const auto modifiers =
      static_cast<uint32_t>(event.modifierFlags & platform::kDeviceIndependentModifierMask);
  if (base::profile().hotkeysNeedModifier && modifiers == 0) return;
  if (matches(modifiers, event, ContrastHotkeyModifierFlags, ContrastHotkeyKeyCode)) {
    hotkeyPressed(Hotkey::kContrastUp);
  }
  if (matches(modifiers, event, ContrastHotkeyDownModifierFlags, ContrastHotkeyDownKeyCode)) {
    hotkeyPressed(Hotkey::kContrastDown);
  }
  if (matches(modifiers, event, RefreshHotkeyModifierFlags, RefreshHotkeyKeyCode)) {
    hotkeyPressed(Hotkey::kRefresh);
  }
}

std::optional<Hotkey> hotkeyNamed(const std::string& id) {
  if (id == "contrast-up") return Hotkey::kContrastUp;
  if (id == "contrast-down") return Hotkey::kContrastDown;
  if (id == "refresh") return Hotkey::kRefresh;
  return std::nullopt;
}

void hotkeyPressed(Hotkey hotkey) {
  switch (hotkey) {
    case Hotkey::kContrastUp:
    case Hotkey::kContrastDown:
      if (FreshHandSoftEnable.load() == 1) {
        contrastStep(hotkey == Hotkey::kContrastUp);
        giveFeedback("Threshold " + std::to_string(Threshold.load()));
      }
      break;
    case Hotkey::kRefresh:
      base::tl_log("Presss refresh hotkey.\n");
      if (FreshHandHardEnable.load() == 1) {
        ClearBlurFlag = 2;
        giveFeedback("Refresh");
      }
      break;
  }
}

void sessionActivity() {
  ScreenSaveCount = 0;
}

void refreshRequest() {
  base::tl_log("Presss refresh hotkey.\n");
  ClearBlurFlag = 2;
}
