#pragma once
// The monitor follows the task: when the focus moves to an application with a
// rule, its mode button is pressed for the user, through the same action as
// every other surface. A rule's mode is transient: the Parameters file keeps
// the mode the user chose by hand, which comes back when the focus moves to
// an application without a rule. A hand choice made meanwhile wins until the
// focus moves again. While the monitor is offline nothing is sent; the
// focused application's mode is shown when it comes back.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/application_rules.h"
#include "platform/focused_window.h"

using platform::FocusedWindow;

class ApplicationModes {
 public:
  // False (nothing done) where the rules are those in force.
  bool setRules(std::vector<ApplicationRule> rules);
  const std::vector<ApplicationRule>& rules() const { return rules_; }

  // The focus moved. The program's own windows (its pid or its app id) are
  // left out: using its panel changes nothing here. False for those.
  bool focusMoved(const FocusedWindow& window);
  // The monitor is online again: the focused application's mode is shown.
  void monitorOnline();

  // The application that has the focus ("" before any is known), and the
  // rule that matches it, if any.
  std::string focusedApplication() const;
  const ApplicationRule* focusedRule() const;
  // True while a rule's mode is on the monitor in place of the user's own.
  bool ruleInForce();

  // What the Parameters file keeps: the user's own ShowMode and Threshold,
  // whatever a rule shows meanwhile.
  uint8_t chosenShowMode();
  uint16_t chosenThreshold();

 private:
  void apply();
  // A mode that is no longer the rule's (a hand choice, the monitor's own
  // button) ends the rule's turn.
  void noteHandChoice();

  std::vector<ApplicationRule> rules_;
  FocusedWindow focused_;
  bool focusKnown_ = false;
  // The rule's button on the monitor, and what the user had chosen before it.
  std::optional<ModeButton> ruleButton_;
  uint8_t userShowMode_ = 0;
  uint16_t userThreshold_ = 0;
};

// The one follower the surfaces and the focus sources share (main thread).
ApplicationModes& applicationModes();
// No rules, no focus (tests).
void resetApplicationModes();
