#include "app/modes_by_app_command.h"

#include <cstdio>

#include "app/focus_source_report.h"
#include "core/application_rules.h"

int setModeForFromCommandLine(const base::ModelProfile& model, const QString& application,
                              const QString& mode) {
  const std::optional<ModeButton> button = buttonNamed(mode.toStdString());
  std::string why;
  if (!saveApplicationRule(application.toStdString(), button, why)) {
    std::fprintf(stderr, "%s: the rule is not kept: %s\n", model.programName, why.c_str());
    return 1;
  }
  if (button) {
    std::printf("%s gets %s while it has the focus (%s)\n", qPrintable(application),
                buttonWord(*button), applicationRulesPath().c_str());
    // Said at the first rule, where the user looks: it waits until this is mended.
    if (const auto source = reportedFocusSource(model); source && source->starts_with("none")) {
      std::printf("The rule waits: focus from %s\n", source->c_str());
    }
  } else {
    std::printf("%s has no rule (%s)\n", qPrintable(application), applicationRulesPath().c_str());
  }
  return 0;
}

int listModesByApplication(const base::ModelProfile& model,
                           const std::optional<QVariantMap>& state) {
  const ApplicationRules read = loadApplicationRules();
  std::printf("Modes by application (%s):\n", applicationRulesPath().c_str());
  if (read.rules.empty()) {
    std::printf("  no rule; add one with %s --mode-for APP A5|A2|A16\n", model.programName);
  }
  for (const ApplicationRule& rule : read.rules) {
    std::printf("  %s: %s\n", rule.application.c_str(), buttonWord(rule.button));
  }
  std::printf("Notifications: %s\n", read.notifications ? "on" : "off");
  if (const auto source = reportedFocusSource(state)) {
    std::printf("Focus from: %s\n", source->c_str());
  }
  for (const std::string& problem : read.problems) {
    std::printf("Not used: %s\n", problem.c_str());
  }
  return 0;
}

int setFeedbackFromCommandLine(const base::ModelProfile& model, bool on) {
  std::string why;
  if (!saveNotifications(on, why)) {
    std::fprintf(stderr, "%s: the setting is not kept: %s\n", model.programName, why.c_str());
    return 1;
  }
  std::printf("%s %s what a hotkey or a rule changed (%s)\n", model.programName,
              on ? "notifies" : "does not notify", applicationRulesPath().c_str());
  return 0;
}
