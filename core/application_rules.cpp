#include "core/application_rules.h"

#include <pwd.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "base/file_replacement.h"
#include "base/private_folder.h"
#include "base/regular_file.h"

namespace {

constexpr size_t kLongestName = 255;
constexpr std::string_view kModesSection = "Modes";
constexpr std::string_view kFeedbackSection = "Feedback";
constexpr std::string_view kNotificationsKey = "Notifications";

std::string_view trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool sameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// A line of the file, as far as the program reads it.
struct Line {
  enum Kind { kBlank, kSection, kEntry, kUnreadable } kind = kBlank;
  std::string_view section;  // kSection: its name
  std::string_view key, value;
};

Line readLine(std::string_view text) {
  const std::string_view line = trimmed(text);
  if (line.empty() || line.front() == '#' || line.front() == ';') return {};
  if (line.front() == '[') {
    if (line.back() != ']') return {Line::kUnreadable, {}, {}, {}};
    return {Line::kSection, trimmed(line.substr(1, line.size() - 2)), {}, {}};
  }
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return {Line::kUnreadable, {}, {}, {}};
  return {Line::kEntry, {}, trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1))};
}

std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// Where a key's line stands in the text's section (lines before any section
// belong to the modes), and where a new one goes: after the section's last
// entry, or at the end of the text under a new header.
struct KeyPlaces {
  std::vector<size_t> matches;
  std::optional<size_t> insertAt;
};

KeyPlaces placesOf(const std::vector<std::string_view>& lines, std::string_view section,
                   std::string_view key) {
  KeyPlaces places;
  std::string_view current = kModesSection;
  bool sectionSeen = section == kModesSection;
  for (size_t index = 0; index < lines.size(); ++index) {
    const Line line = readLine(lines[index]);
    if (line.kind == Line::kSection) {
      current = line.section;
      if (sameWord(current, section)) {
        sectionSeen = true;
        places.insertAt = index + 1;
      }
      continue;
    }
    if (line.kind != Line::kEntry || !sameWord(current, section)) continue;
    places.insertAt = index + 1;
    if (sameWord(line.key, key)) places.matches.push_back(index);
  }
  if (!sectionSeen) places.insertAt.reset();
  return places;
}

std::string withEntry(std::string_view text, std::string_view section, const std::string& key,
                      const std::optional<std::string>& value) {
  const std::vector<std::string_view> lines = linesOf(text);
  const KeyPlaces places = placesOf(lines, section, key);
  std::vector<std::string> result(lines.begin(), lines.end());
  const std::string entry = value ? key + "=" + *value : std::string();
  // The key's later lines go with the first: they are the same setting.
  for (auto index = places.matches.rbegin(); index != places.matches.rend(); ++index) {
    if (value && *index == places.matches.front()) {
      result[*index] = entry;
    } else {
      result.erase(result.begin() + static_cast<std::ptrdiff_t>(*index));
    }
  }
  if (!value || !places.matches.empty()) return joined(result);
  if (places.insertAt) {
    result.insert(result.begin() + static_cast<std::ptrdiff_t>(*places.insertAt), entry);
    // The header's own place and later lines move on by one; nothing else to do.
    return joined(result);
  }
  if (!result.empty() && !result.back().empty()) result.emplace_back();
  result.push_back("[" + std::string(section) + "]");
  result.push_back(entry);
  return joined(result);
}

std::optional<bool> switchNamed(std::string_view word) {
  for (const char* on : {"on", "true", "yes", "1"}) {
    if (sameWord(word, on)) return true;
  }
  for (const char* off : {"off", "false", "no", "0"}) {
    if (sameWord(word, off)) return false;
  }
  return std::nullopt;
}

std::string problem(size_t lineNumber, const std::string& what) {
  return "line " + std::to_string(lineNumber) + ": " + what;
}

// What of a line may be quoted in a problem: printable, and not all of a long one.
std::string quoted(std::string_view text) {
  std::string shown;
  for (const char c : text.substr(0, 60)) shown += (c >= 0x20 && c < 0x7f) ? c : '?';
  return "\"" + shown + (text.size() > 60 ? "...\"" : "\"");
}

// From the environment, as the desktop gives it: the command line reads the
// file before the program's platform is there.
std::string configFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return config;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.config";
  const passwd* user = getpwuid(geteuid());
  return std::string(user != nullptr && user->pw_dir != nullptr ? user->pw_dir : "") + "/.config";
}

enum class TextRead { kRead, kMissing, kRefused };

// At most one byte more than the program reads, so that a longer file is
// known as such; why says what kept the file from being read.
TextRead readRulesText(const std::string& path, std::string& text, std::string& why) {
  switch (base::readRegularFile(path, kLongestRulesFile + 1, text)) {
    case base::OpenOutcome::kOpened:
      return TextRead::kRead;
    case base::OpenOutcome::kMissing:
      return TextRead::kMissing;
    case base::OpenOutcome::kFailed:
      why = path + " cannot be read";
      return TextRead::kRefused;
    default:
      why = path + " is not the user's own regular file";
      return TextRead::kRefused;
  }
}

bool saveText(const std::function<std::string(std::string_view)>& change, std::string& why) {
  const std::string path = applicationRulesPath();
  std::string text;
  if (readRulesText(path, text, why) == TextRead::kRefused) return false;
  if (text.size() > kLongestRulesFile) {
    why = path + " is longer than the program reads";
    return false;
  }
  if (!base::makeOwnFolders(path.substr(0, path.rfind('/')), why)) return false;
  return base::replaceOwnFile(path, change(text), 0600, why);
}

}  // namespace

bool sameApplication(std::string_view a, std::string_view b) {
  return !a.empty() && sameWord(a, b);
}

bool isApplicationName(std::string_view name) {
  if (name.empty() || name.size() > kLongestName || trimmed(name) != name) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return c != '=' && (byte >= 0x80 || (byte >= 0x20 && byte < 0x7f));
  });
}

std::optional<ModeButton> buttonNamed(std::string_view word) {
  if (sameWord(word, "A5") || sameWord(word, "Floyd")) return ModeButton::kA5;
  if (sameWord(word, "A2")) return ModeButton::kA2;
  if (sameWord(word, "A16")) return ModeButton::kA16;
  return std::nullopt;
}

const char* buttonWord(ModeButton button) {
  switch (button) {
    case ModeButton::kA5:
      return "A5";
    case ModeButton::kA2:
      return "A2";
    case ModeButton::kA16:
      return "A16";
  }
  return "A5";
}

ApplicationRules parseApplicationRules(std::string_view text) {
  ApplicationRules read;
  if (text.size() > kLongestRulesFile) {
    read.problems.push_back("the file is longer than " + std::to_string(kLongestRulesFile) +
                            " bytes: only its beginning is read");
    text = text.substr(0, text.rfind('\n', kLongestRulesFile));
  }
  std::string_view section = kModesSection;
  size_t number = 0;
  for (const std::string_view raw : linesOf(text)) {
    ++number;
    const Line line = readLine(raw);
    if (line.kind == Line::kBlank) continue;
    if (line.kind == Line::kSection) {
      section = line.section;
      continue;
    }
    if (line.kind == Line::kUnreadable) {
      read.problems.push_back(problem(number, quoted(raw) + " is no application=mode line"));
      continue;
    }
    if (sameWord(section, kFeedbackSection) && sameWord(line.key, kNotificationsKey)) {
      const std::optional<bool> on = switchNamed(line.value);
      if (on) read.notifications = *on;
      if (!on) read.problems.push_back(problem(number, "Notifications takes on or off"));
      continue;
    }
    if (!sameWord(section, kModesSection)) continue;
    const std::optional<ModeButton> button = buttonNamed(line.value);
    if (!isApplicationName(line.key)) {
      read.problems.push_back(problem(number, quoted(line.key) + " is no application name"));
    } else if (!button) {
      read.problems.push_back(problem(number, quoted(line.value) + " is not A5, A2 or A16"));
    } else if (const auto first = std::find_if(read.rules.begin(), read.rules.end(),
                                               [&](const ApplicationRule& rule) {
                                                 return sameApplication(rule.application, line.key);
                                               });
               first != read.rules.end()) {
      read.problems.push_back(problem(number, first->application + " has a rule already"));
    } else if (read.rules.size() == kMostRules) {
      read.problems.push_back(
          problem(number, "more than " + std::to_string(kMostRules) + " rules"));
    } else {
      read.rules.push_back({std::string(line.key), *button});
    }
  }
  return read;
}

std::string withApplicationRule(std::string_view text, const std::string& application,
                                std::optional<ModeButton> button) {
  return withEntry(text, kModesSection, application,
                   button ? std::optional<std::string>(buttonWord(*button)) : std::nullopt);
}

std::string withNotifications(std::string_view text, bool on) {
  return withEntry(text, kFeedbackSection, std::string(kNotificationsKey), on ? "on" : "off");
}

std::string applicationRulesPath() {
  return configFolder() + "/quillmark/modes-by-application";
}

ApplicationRules loadApplicationRules() {
  std::string text, why;
  if (readRulesText(applicationRulesPath(), text, why) == TextRead::kRefused) {
    return {{}, false, {why + ": no rule is used"}};
  }
  return parseApplicationRules(text);
}

bool saveApplicationRule(const std::string& application, std::optional<ModeButton> button,
                         std::string& why) {
  if (!isApplicationName(application)) {
    why = "\"" + application + "\" is no application name";
    return false;
  }
  return saveText(
      [&](std::string_view text) { return withApplicationRule(text, application, button); }, why);
}

bool saveNotifications(bool on, std::string& why) {
  return saveText([on](std::string_view text) { return withNotifications(text, on); }, why);
}
