#include "core/ui_posts.h"

#include "core/runtime_flags.h"
#include "platform/platform.h"

void postChangeModeButton() {
  platform::app().postToMainThread([] {
    if (MainPanel* panel = VCInstance.load()) panel->ChangeModeButton();
  });
}

void postChangeResModeRadio() {
  platform::app().postToMainThread([] {
    if (MainPanel* panel = VCInstance.load()) panel->ChangeResModeRadio();
  });
}

void postUpdateThreshold() {
  platform::app().postToMainThread([] {
    if (ThresholdView* dialog = SVC.load()) dialog->updateThreshold();
  });
}

void postSaveOutcome(const std::string& problem) {
  platform::app().postToMainThread([problem] {
    if (MainPanel* panel = VCInstance.load()) panel->showSaveOutcome(problem);
  });
}

void postResolutionOutcome(const std::string& failure, bool changeRefused) {
  platform::app().postToMainThread([failure, changeRefused] {
    if (MainPanel* panel = VCInstance.load()) panel->showResolutionOutcome(failure, changeRefused);
  });
}
