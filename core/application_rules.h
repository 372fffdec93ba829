#pragma once
// The user's modes by application: which of the panel's three mode buttons
// each application gets while it has the focus, and whether the program
// says so in a desktop notification. Kept in a key file of their own,
// $XDG_CONFIG_HOME/quillmark/modes-by-application, that a person can read
// and edit; the Parameters file is not touched.
//
//   [Modes]
//   org.mozilla.firefox=A2
//   org.gnome.Evince=A16
//   [Feedback]
//   Notifications=off
//
// A rule names a button, so it holds in both resolution modes: A5 (also
// written Floyd) is the first button, Floyd in the flexible mode and A5 in
// the fixed one.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/mode_table.h"

struct ApplicationRule {
  std::string application;  // an app id, a desktop file id or an X11 WM_CLASS
  ModeButton button;

  bool operator==(const ApplicationRule&) const = default;
};

struct ApplicationRules {
  std::vector<ApplicationRule> rules;
  bool notifications = false;
  // What was left out, one line each with its line number: the valid rules
  // are used whatever else the file holds.
  std::vector<std::string> problems;
};

// The longest file read; the rest is named as a problem and left out.
inline constexpr size_t kLongestRulesFile = 64 * 1024;
inline constexpr size_t kMostRules = 256;

ApplicationRules parseApplicationRules(std::string_view text);

// The text with application's rule set to button (or removed for nullopt),
// every other line (comments, other rules, lines the program cannot read)
// kept as it stood.
std::string withApplicationRule(std::string_view text, const std::string& application,
                                std::optional<ModeButton> button);
// The text with the notifications setting set.
std::string withNotifications(std::string_view text, bool on);

// Whether two names are one application's: in any case; an empty name is none.
bool sameApplication(std::string_view a, std::string_view b);
// A name a rule can hold: printable, no '=', at most 255 bytes, trimmed.
bool isApplicationName(std::string_view name);
// "A5" (or "Floyd"), "A2", "A16" in any case; nullopt for anything else.
std::optional<ModeButton> buttonNamed(std::string_view word);
// The word a rule is written with.
const char* buttonWord(ModeButton button);

// $XDG_CONFIG_HOME/quillmark/modes-by-application (~/.config by default).
std::string applicationRulesPath();
// The file's rules; a missing file has none. A file that cannot be read,
// is not this user's or is not a regular file gives none, with the reason.
ApplicationRules loadApplicationRules();
// Changes the file through the user's own folders (made where missing),
// replacing it as a whole; false with the reason.
bool saveApplicationRule(const std::string& application, std::optional<ModeButton> button,
                         std::string& why);
bool saveNotifications(bool on, std::string& why);
