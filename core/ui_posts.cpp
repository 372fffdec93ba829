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
