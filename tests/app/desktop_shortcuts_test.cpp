// The hotkeys handed to a GNOME desktop without the portal: Settings' button
// puts them into GNOME's own custom shortcuts and takes them out again, in
// both languages, and the running program keeps the entries in step with
// Settings. GSettings is the real one, on its in-memory backend with GNOME's
// installed schema. With QUILLMARK_SCREENSHOT_DIR set, the dialog is
// photographed there with its button.

#include "app/desktop_shortcuts.h"

#include <QTest>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>

#include "MASShortcuts/mas_shortcut_validator.h"
#include "app/desktop_keyboard_shortcuts.h"
#include "core/desktop_hotkey_offer.h"
#include "core/parameters.h"
#include "core/session_capabilities.h"
#include "platform/key_codes.h"
#include "tests/support/fixture.h"
#include "tests/support/gnome_settings.h"
#include "ui/setting_view_controller.h"

namespace {

constexpr const char* kBase = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";

bool waitFor(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (!done() && std::chrono::steady_clock::now() < end) QTest::qWait(50);
  return done();
}

class DesktopShortcutsTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    if (!gnomeShortcutSchemaInstalled()) GTEST_SKIP() << "GNOME's media-keys schema is missing";
    setenv("GSETTINGS_BACKEND", "memory", 1);
    // No session bus, so no portal: GNOME 43 to 47.
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    savedBus = bus != nullptr ? bus : "";
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    desktopHotkeyOffer() = {};
    session.wayland = true;
    session.desktop = "GNOME";
  }
  void TearDown() override {
    dialog.reset();
    desktopHotkeyOffer() = {};
    if (!savedBus.empty()) setenv("DBUS_SESSION_BUS_ADDRESS", savedBus.c_str(), 1);
    ModelTest::TearDown();
  }
  std::string entry(const std::string& id, const char* key) const {
    return gnomeCustomEntry(kBase + owner() + "-" + id + "/", key);
  }
  // With QUILLMARK_SCREENSHOT_DIR set, the dialog as it offers the button.
  void photograph(const char* language) {
    const char* folder = std::getenv("QUILLMARK_SCREENSHOT_DIR");
    if (folder == nullptr || tenor()) return;
    dialog->show();
    QTest::qWait(50);
    dialog->grab().save(
        QString("%1/settings-gnome-%2-%3.png").arg(folder, tenor() ? "tenor" : "alto", language));
  }
  std::string owner() const { return tenor() ? "tenorcontrol" : "altocontrol"; }
  DesktopHotkeysButton& button() {
    dialog = std::make_unique<SettingViewController>();
    dialog->viewDidLoad();
    return *dialog->DesktopHotkeys;
  }

  platform::session::SessionType session;
  std::unique_ptr<SettingViewController> dialog;
  std::string savedBus;
};

// GNOME's own shortcuts (its window manager's, a custom one of the user's)
// are refused to a hotkey as the standard editing keys are, and what Settings
// suggests instead is free on this desktop; the program's own entries never
// count against its hotkeys, and no other desktop has GNOME's.
TEST_P(DesktopShortcutsTest, GnomesOwnShortcutsAreTakenAndTheSuggestionIsFree) {
  using namespace platform;
  setGnomeKeyList("org.gnome.desktop.wm.keybindings", "close", {"<Control><Alt>x", "<Alt>F4"});
  const std::string usersOwn = std::string(kBase) + "custom0/";
  const std::string programs = kBase + owner() + "-contrast-up/";
  setGnomeCustomList({usersOwn, programs});
  setGnomeCustomEntry(usersOwn, "binding", "<Super>d");
  setGnomeCustomEntry(programs, "binding", "<Control>u");
  const auto taken = [](uint32_t key, uint64_t modifiers) {
    return MASShortcutValidator::sharedValidator().isShortcutAlreadyTakenBySystem(
        MASShortcut(key, modifiers), nullptr);
  };
  platform.systemHotKeys = shortcutsInUse(*GetParam(), session);
  EXPECT_TRUE(taken(kKeyX, kModifierControl | kModifierOption));
  EXPECT_TRUE(taken(kKeyD, kModifierCommand));
  EXPECT_TRUE(taken(kKeyX, kModifierControl));  // Cut
  EXPECT_FALSE(taken(kKeyU, kModifierControl));
  platform::session::SessionType sway;
  sway.desktop = "sway";
  platform.systemHotKeys = shortcutsInUse(*GetParam(), sway);
  EXPECT_FALSE(taken(kKeyX, kModifierControl | kModifierOption));

  platform.systemHotKeys = shortcutsInUse(*GetParam(), session);
  const MASShortcut free(kKeyX, kModifierControl | kModifierOption | kModifierShift);
  for (const uint8_t language : {kLanguageEnglish, kLanguageChinese}) {
    Language = language;
    platform.alerts.clear();
    dialog = std::make_unique<SettingViewController>();
    dialog->viewDidLoad();
    dialog->RefreshHandHardCheckBox->setChecked(true);  // Ctrl+X, Cut
    EXPECT_FALSE(dialog->SOK());
    ASSERT_EQ(platform.alerts.size(), 1u);
    EXPECT_NE(platform.alerts[0].informativeText.find(free.description().toStdString()),
              std::string::npos)
        << platform.alerts[0].informativeText;
  }
}

TEST_P(DesktopShortcutsTest, SettingsButtonAddsFollowsAndRemovesGnomeShortcuts) {
  Language = kLanguageEnglish;
  FreshHandSoftEnable = 1;
  FreshHandHardEnable = 0;
  const std::vector<std::string> usersOwn{std::string(kBase) + "custom0/"};
  setGnomeCustomList(usersOwn);

  DesktopShortcuts shortcuts(*GetParam());
  ASSERT_TRUE(shortcuts.start(session));
  EXPECT_TRUE(sessionCapabilities().globalHotkeysUnavailable.load());
  EXPECT_NE(shortcuts.path().indexOf("--desktop-shortcuts on"), -1)
      << shortcuts.path().toStdString();
  DesktopHotkeysButton& add = button();
  photograph("en");
  ASSERT_FALSE(add.isHidden());
  EXPECT_EQ(add.text(), "Add to GNOME's keyboard shortcuts");
  EXPECT_NE(dialog->ScreenSaveNoteText->text().indexOf("button above"), -1);

  add.click();
  EXPECT_EQ(add.text(), "Remove");
  EXPECT_EQ(shortcuts.path(), "GNOME's own keyboard shortcuts");
  EXPECT_FALSE(sessionCapabilities().globalHotkeysUnavailable.load());
  // The refresh hotkey is off in Settings: no entry for it.
  EXPECT_EQ(gnomeCustomList(),
            (std::vector<std::string>{usersOwn[0], kBase + owner() + "-contrast-up/",
                                      kBase + owner() + "-contrast-down/"}));
  EXPECT_EQ(entry("contrast-up", "binding"), "<Control>u");
  EXPECT_NE(entry("contrast-down", "command").find(" --hotkey contrast-down"), std::string::npos);

  // Settings changes a hotkey and turns the refresh hotkey on: the entries follow.
  ContrastHotkeyModifierFlags = ContrastHotkeyModifierFlags.load() | platform::kModifierOption;
  FreshHandHardEnable = 1;
  EXPECT_TRUE(waitFor([&] { return entry("refresh", "binding") == "<Control>x"; }));
  EXPECT_EQ(entry("contrast-up", "binding"), "<Control><Alt>u");
  // Turned off, the contrast hotkeys' entries go.
  FreshHandSoftEnable = 0;
  EXPECT_TRUE(waitFor([&] { return gnomeCustomList().size() == 2; }));
  EXPECT_EQ(gnomeCustomList(),
            (std::vector<std::string>{usersOwn[0], kBase + owner() + "-refresh/"}));

  DesktopHotkeysButton& remove = button();
  EXPECT_EQ(remove.text(), "Remove");
  remove.click();
  EXPECT_EQ(gnomeCustomList(), usersOwn);
  EXPECT_EQ(entry("refresh", "command"), "");
  EXPECT_TRUE(sessionCapabilities().globalHotkeysUnavailable.load());

  FreshHandSoftEnable = 1;
  ContrastHotkeyModifierFlags = platform::kModifierControl;
  Language = kLanguageChinese;
  EXPECT_EQ(button().text(), QString::fromUtf8("添加到 GNOME 键盘快捷键"));
  photograph("zh");
  button().click();
  EXPECT_EQ(dialog->DesktopHotkeys->text(), QString::fromUtf8("移除"));
}

TEST_P(DesktopShortcutsTest, NoButtonWhereTheProgramGrabsTheKeys) {
  session.wayland = false;
  session.x11 = true;
  DesktopShortcuts shortcuts(*GetParam());
  EXPECT_FALSE(shortcuts.start(session));
  EXPECT_EQ(shortcuts.path(), "X11 key grab");
  EXPECT_TRUE(button().isHidden());
}

TEST_P(DesktopShortcutsTest, OnSwaySettingsGivesTheLinesToPaste) {
  session.desktop = "sway";
  FreshHandSoftEnable = 1;
  FreshHandHardEnable = 1;
  DesktopShortcuts shortcuts(*GetParam());
  EXPECT_FALSE(shortcuts.start(session));
  for (const uint8_t language : {kLanguageEnglish, kLanguageChinese}) {
    Language = language;
    EXPECT_TRUE(button().isHidden());
    const QString note = dialog->ScreenSaveNoteText->text();
    EXPECT_NE(note.indexOf("~/.config/sway/config"), -1) << note.toStdString();
    for (const char* line :
         {"bindsym Ctrl+u exec ", "bindsym Ctrl+d exec ", "bindsym Ctrl+x exec "}) {
      EXPECT_NE(note.indexOf(line), -1) << line;
    }
    EXPECT_NE(note.indexOf(" --hotkey contrast-down\n"), -1) << note.toStdString();
  }
  // A hotkey turned off in Settings gets no line: pasted, it would still act.
  FreshHandHardEnable = 0;
  const std::string lines = desktopHotkeyOffer().configurationLines();
  EXPECT_EQ(lines.find("--hotkey refresh"), std::string::npos) << lines;
  EXPECT_NE(lines.find("--hotkey contrast-up"), std::string::npos) << lines;
}

INSTANTIATE_FOR_BOTH_MODELS(DesktopShortcutsTest);

}  // namespace
