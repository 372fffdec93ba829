#pragma once
// Why the monitor cannot follow the task while the user has rules for it
// (GNOME's extension not enabled, say), for Settings' note: set by the
// program while it follows the focus; empty where it can, and where the user
// has no rules, so that Settings says nothing of a feature not in use.

#include <functional>
#include <string>

inline std::function<std::string()>& focusSourceProblem() {
  static std::function<std::string()> problem;
  return problem;
}
