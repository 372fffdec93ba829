#include "base/model_profile.h"

#include <atomic>

namespace base {

namespace {

constexpr ModelProfile kAlto{
    .programName = "AltoControl",
    .modelName = "Alto",
    .appId = "com.talvex.AltoControl",
    .edidName = "TALVEN",
    .edidNameLength = 6,
    .logWritesFile = true,
    .lowA5Minimum = 80,
    .lowA5Maximum = 200,
    .lowA5LevelStep = 15,
    .failureLimit = 2,
    .logsScreenSaveResend = false,
    .usesResManualChangeFlag = false,
    .clearsAfterResolutionRequest = false,
    .modeEventMaxData = 3,
    .thresholdEventCancelsScreenSave = false,
    .endOfPassSleep = 0.5,
    .hotkeysNeedModifier = false,
    .contrastHotkeyClampsToEnds = false,
    .modeActionDisablesButtonAgain = false,
    .fixedModeLabelEnglish = "Fix 800x600 mode",
    .fixedModeLabelChinese = "固定800x600模式",
    .presetsDisabledInFloydAndA5 = true,
    .localizedShortcutTexts = false,
};

constexpr ModelProfile kTenor{
    .programName = "TenorControl",
    .modelName = "Tenor",
    .appId = "com.talvex.TenorControl",
    .edidName = "Quillmark T N",
    .edidNameLength = 13,
    .logWritesFile = false,
    .lowA5Minimum = 50,
    .lowA5Maximum = 234,
    .lowA5LevelStep = 23,
    .failureLimit = 4,
    .logsScreenSaveResend = true,
    .usesResManualChangeFlag = true,
    .clearsAfterResolutionRequest = true,
    .modeEventMaxData = 6,
    .thresholdEventCancelsScreenSave = true,
    .endOfPassSleep = 0.0,
    .hotkeysNeedModifier = true,
    .contrastHotkeyClampsToEnds = true,
    .modeActionDisablesButtonAgain = true,
    .fixedModeLabelEnglish = "Fix 1100x825 mode",
    .fixedModeLabelChinese = "固定1100x825模式",
    .presetsDisabledInFloydAndA5 = false,
    .localizedShortcutTexts = true,
};

std::atomic<const ModelProfile*> gProfile{&kAlto};

}  // namespace

const ModelProfile& altoProfile() {
  return kAlto;
}
const ModelProfile& tenorProfile() {
  return kTenor;
}

void selectProfile(const ModelProfile& profile) {
  gProfile.store(&profile, std::memory_order_release);
}

const ModelProfile& profile() {
  return *gProfile.load(std::memory_order_acquire);
}

}  // namespace base
