#include "core/application_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string described(const ApplicationRules& read) {
  std::string text;
  for (const ApplicationRule& rule : read.rules) {
    text += rule.application + "=" + buttonWord(rule.button) + ";";
  }
  text += read.notifications ? " notifications" : "";
  for (const std::string& problem : read.problems) text += " [" + problem + "]";
  return text;
}

TEST(ApplicationRulesTest, TheValidRulesAreUsedAndEveryOtherLineIsNamedWithItsNumber) {
  struct Case {
    const char* text;
    const char* read;
  };
  const Case cases[] = {
      {"", ""},
      {"# comment\n[Modes]\norg.mozilla.firefox = a2\nEvince=Floyd\nxterm=A16\n",
       "org.mozilla.firefox=A2;Evince=A5;xterm=A16;"},
      {"before=A2\n[Other]\nskipped=A2\n[Feedback]\nNotifications=on\n",
       "before=A2; notifications"},
      {"[Modes]\nfirefox=A7\n", " [line 2: \"A7\" is not A5, A2 or A16]"},
      {"[Modes]\nfirefox=A2\nFIREFOX=A16\n", "firefox=A2; [line 3: firefox has a rule already]"},
      {"[Modes]\njust words\n=A2\n[Modes\n",
       " [line 2: \"just words\" is no application=mode line] [line 3: \"\" is no application name]"
       " [line 4: \"[Modes\" is no application=mode line]"},
      {"a\x01=A2\n[Feedback]\nNotifications=loud\n",
       " [line 1: \"a?\" is no application name] [line 3: Notifications takes on or off]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(described(parseApplicationRules(c.text)), c.read);
  }
}

TEST(ApplicationRulesTest, AFileTooLongOrWithTooManyRulesKeepsItsFirstRules) {
  std::string many;
  for (size_t i = 0; i <= kMostRules; ++i) many += "app" + std::to_string(i) + "=A2\n";
  const ApplicationRules read = parseApplicationRules(many);
  EXPECT_EQ(read.rules.size(), kMostRules);
  ASSERT_EQ(read.problems.size(), 1u);
  EXPECT_EQ(read.problems[0], "line 257: more than 256 rules");

  const std::string huge =
      "[Modes]\nfirefox=A2\n" + std::string(kLongestRulesFile, '#') + "\nx=A2\n";
  const ApplicationRules cut = parseApplicationRules(huge);
  EXPECT_EQ(described(cut),
            "firefox=A2; [the file is longer than 65536 bytes: only its beginning is read]");
}

TEST(ApplicationRulesTest, AChangeTouchesTheApplicationsLinesOnly) {
  struct Case {
    const char* what;
    const char* before;
    const char* application;
    std::optional<ModeButton> button;
    const char* after;
  };
  const Case cases[] = {
      {"a new file", "", "firefox", ModeButton::kA2, "[Modes]\nfirefox=A2\n"},
      {"after the section's last rule", "# mine\n[Modes]\na=A2\n\n[Feedback]\nNotifications=on\n",
       "b", ModeButton::kA16, "# mine\n[Modes]\na=A2\nb=A16\n\n[Feedback]\nNotifications=on\n"},
      {"replaced in place, its later lines gone",
       "[Modes]\nx=A2\nfirefox=A2\nbad line\nFirefox=A5\n", "firefox", ModeButton::kA5,
       "[Modes]\nx=A2\nfirefox=A5\nbad line\n"},
      {"removed", "[Modes]\nfirefox=A2\nx=A16\n", "firefox", std::nullopt, "[Modes]\nx=A16\n"},
      {"a section of its own", "[Feedback]\nNotifications=on", "a", ModeButton::kA2,
       "[Feedback]\nNotifications=on\n\n[Modes]\na=A2\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(withApplicationRule(c.before, c.application, c.button), c.after);
  }
  EXPECT_EQ(withNotifications("[Modes]\na=A2\n", true),
            "[Modes]\na=A2\n\n[Feedback]\nNotifications=on\n");
  EXPECT_EQ(withNotifications("[Feedback]\nNotifications=on\n", false),
            "[Feedback]\nNotifications=off\n");
}

}  // namespace
