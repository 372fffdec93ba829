#include "core/application_modes.h"

#include <unistd.h>

#include "base/model_profile.h"
#include "core/mode_table.h"
#include "core/parameter_store.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "tests/support/fixture.h"

namespace {

class ApplicationModesTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    MonitorOnline = 1;
    ResCommMode = 2;
    ShowMode = mode(ModeButton::kA16);
    Threshold = 123;
    modes().setRules({{"org.mozilla.firefox", ModeButton::kA2}, {"Evince", ModeButton::kA5}});
  }
  static ApplicationModes& modes() { return applicationModes(); }
  static uint8_t mode(ModeButton button) { return showModeOf(button, ResCommMode.load()); }
  // The worker's next pass takes the request.
  static bool requested() { return ViewControllerModeChangeFlag.exchange(0) == 1; }
  // The ShowMode and Threshold lines of the Parameters file a save writes.
  std::string savedModeAndThreshold() {
    writeParameterFile();
    const std::string file = readFile(home + "/.QuillMark");
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = file.find('\n', start)) != std::string::npos;
         start = end + 1)
      lines.push_back(file.substr(start, end - start));
    return lines.size() < 10 ? file : lines[6] + " " + lines[9];
  }
  std::string userLine() { return std::to_string(mode(ModeButton::kA16)) + " 123"; }
};

TEST_P(ApplicationModesTest, TheFocusedApplicationsRuleIsShownAndTheUsersChoiceComesBack) {
  struct Step {
    const char* what;
    FocusedWindow window;
    ModeButton shown;
    bool sent;
  };
  const Step steps[] = {
      {"a ruled app id", {"org.mozilla.firefox", "", 0}, ModeButton::kA2, true},
      {"the same window again", {"org.mozilla.firefox", "", 0}, ModeButton::kA2, false},
      {"a ruled X11 class, any case", {"", "evince", 0}, ModeButton::kA5, true},
      {"the program's own panel", {"", "", getpid()}, ModeButton::kA5, false},
      {"the program's own app id", {base::profile().appId, "", 0}, ModeButton::kA5, false},
      {"an application without a rule", {"org.gnome.Terminal", "", 0}, ModeButton::kA16, true},
      {"another without one", {"xterm", "XTerm", 0}, ModeButton::kA16, false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    modes().focusMoved(step.window);
    EXPECT_EQ(ShowMode.load(), mode(step.shown));
    EXPECT_EQ(requested(), step.sent);
    // Whatever a rule shows, the file keeps what the user chose.
    EXPECT_EQ(savedModeAndThreshold(), userLine());
  }
}

TEST_P(ApplicationModesTest, AHandChoiceWinsUntilTheFocusMovesAndIsTheUsersFromThen) {
  modes().focusMoved({"org.mozilla.firefox", "", 0});
  ASSERT_TRUE(modes().ruleInForce());
  // The panel, a hotkey, the tray or D-Bus: the mode changes by hand.
  ShowMode = mode(ModeButton::kA5);
  EXPECT_FALSE(modes().ruleInForce());
  EXPECT_EQ(savedModeAndThreshold().substr(0, 2), std::to_string(mode(ModeButton::kA5)) + " ");
  requested();
  modes().focusMoved({"org.gnome.Terminal", "", 0});
  EXPECT_EQ(ShowMode.load(), mode(ModeButton::kA5));
  EXPECT_FALSE(requested());
  modes().focusMoved({"org.mozilla.firefox", "", 0});
  EXPECT_EQ(ShowMode.load(), mode(ModeButton::kA2));
}

TEST_P(ApplicationModesTest, OfflineNothingIsSentAndTheFocusedRuleIsShownWhenTheMonitorIsBack) {
  MonitorOnline = 0;
  modes().focusMoved({"org.gnome.Terminal", "", 0});
  modes().focusMoved({"org.mozilla.firefox", "", 0});
  EXPECT_EQ(ShowMode.load(), mode(ModeButton::kA16));
  EXPECT_FALSE(requested());
  MonitorOnline = 1;
  modes().monitorOnline();
  EXPECT_EQ(ShowMode.load(), mode(ModeButton::kA2));
  EXPECT_TRUE(requested());
  EXPECT_EQ(savedModeAndThreshold(), userLine());
}

TEST_P(ApplicationModesTest, ARuleHoldsItsButtonAcrossAResolutionSwitch) {
  modes().focusMoved({"org.mozilla.firefox", "", 0});
  // The switch keeps the button and moves to its mode of the other family.
  ResCommMode = 1;
  ShowMode = mode(ModeButton::kA2);
  EXPECT_TRUE(modes().ruleInForce());
  EXPECT_EQ(savedModeAndThreshold(), std::to_string(mode(ModeButton::kA16)) + " 123");
  requested();
  modes().focusMoved({"org.gnome.Terminal", "", 0});
  EXPECT_EQ(ShowMode.load(), mode(ModeButton::kA16));
}

INSTANTIATE_FOR_BOTH_MODELS(ApplicationModesTest);

}  // namespace
