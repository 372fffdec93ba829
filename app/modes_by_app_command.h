#pragma once
// The modes by application from the command line, with or without a running
// instance: both change and read the user's rules file, and a running
// instance follows the file as soon as it changes.

#include <QString>
#include <QVariantMap>
#include <optional>

#include "base/model_profile.h"

// --mode-for APP MODE: MODE is A5 (or Floyd), A2, A16 or none. Exit status 0
// when the file holds the rule as asked.
int setModeForFromCommandLine(const base::ModelProfile& model, const QString& application,
                              const QString& mode);
// --modes-by-app: the rules, what of the file is not used, where it is, and
// where the focus comes from. state: the running instance's, where one runs.
int listModesByApplication(const base::ModelProfile& model,
                           const std::optional<QVariantMap>& state);
// --feedback on|off: desktop notifications of what a hotkey or a rule changed.
int setFeedbackFromCommandLine(const base::ModelProfile& model, bool on);
