#include "core/application_modes.h"

#include <unistd.h>

#include "base/model_profile.h"
#include "core/feedback.h"
#include "core/mode_table.h"
#include "core/monitor_actions.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"

namespace {

bool isOwnWindow(const FocusedWindow& window) {
  return (window.pid != 0 && window.pid == getpid()) ||
         sameApplication(window.appId, base::profile().appId);
}

// The ShowMode of the button that shows showMode, in the resolution mode in force.
uint8_t inResolutionInForce(uint8_t showMode) {
  const ModeRow* row = modeRow(showMode);
  if (row == nullptr) return showMode;
  const uint8_t peer = showModeOf(row->button, ResCommMode.load());
  return peer != 0 ? peer : showMode;
}

}  // namespace

bool ApplicationModes::setRules(std::vector<ApplicationRule> rules) {
  // The same rules read again leave a hand choice standing.
  if (rules == rules_) return false;
  rules_ = std::move(rules);
  apply();
  return true;
}

bool ApplicationModes::focusMoved(const FocusedWindow& window) {
  if (isOwnWindow(window)) return false;
  if (focusKnown_ && window == focused_) return true;
  focused_ = window;
  focusKnown_ = true;
  apply();
  return true;
}

void ApplicationModes::monitorOnline() {
  apply();
}

std::string ApplicationModes::focusedApplication() const {
  return focused_.appId.empty() ? focused_.windowClass : focused_.appId;
}

const ApplicationRule* ApplicationModes::focusedRule() const {
  if (!focusKnown_) return nullptr;
  for (const ApplicationRule& rule : rules_) {
    if (sameApplication(rule.application, focused_.appId) ||
        sameApplication(rule.application, focused_.windowClass)) {
      return &rule;
    }
  }
  return nullptr;
}

bool ApplicationModes::ruleInForce() {
  noteHandChoice();
  return ruleButton_.has_value();
}

uint8_t ApplicationModes::chosenShowMode() {
  noteHandChoice();
  return ruleButton_ ? inResolutionInForce(userShowMode_) : ShowMode.load();
}

uint16_t ApplicationModes::chosenThreshold() {
  noteHandChoice();
  return ruleButton_ ? userThreshold_ : Threshold.load();
}

void ApplicationModes::noteHandChoice() {
  if (!ruleButton_) return;
  const ModeRow* row = modeRow(ShowMode.load());
  if (row == nullptr || row->button != *ruleButton_) ruleButton_.reset();
}

void ApplicationModes::apply() {
  // Offline the rule waits: the worker sends nothing, and the monitor shows
  // the focused application's mode once it is back.
  if (MonitorOnline.load() == 0) return;
  noteHandChoice();
  if (const ApplicationRule* rule = focusedRule()) {
    if (!ruleButton_) {
      userShowMode_ = ShowMode.load();
      userThreshold_ = Threshold.load();
    }
    ruleButton_ = rule->button;
    if (pressModeButtonFor(rule->button) == ActionResult::kDone) {
      giveFeedback(std::string(modeRow(ShowMode.load())->name) + " for " + focusedApplication());
    }
    return;
  }
  if (!ruleButton_) return;
  ruleButton_.reset();
  if (const ModeRow* row = modeRow(userShowMode_)) pressModeButtonFor(row->button);
}

ApplicationModes& applicationModes() {
  static ApplicationModes modes;
  return modes;
}

void resetApplicationModes() {
  applicationModes() = ApplicationModes();
}
