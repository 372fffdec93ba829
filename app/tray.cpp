#include "app/tray.h"

#include "app/autostart.h"
#include "app/control_names.h"
#include "app/main_window.h"
#include "core/application_rules.h"
#include "core/hotkeys.h"
#include "core/mode_table.h"
#include "core/monitor_actions.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "platform/platform.h"
#include "platform/qt/program_icon.h"
#include "ui/captions.h"
#include "ui/state_watch.h"
#include "ui/view_controller.h"
#include "ui/warning_alert.h"

namespace {

constexpr ModeButton kButtons[] = {ModeButton::kA5, ModeButton::kA2, ModeButton::kA16};

// The ShowMode of a panel button in the resolution mode in force.
unsigned showModeOfButton(int button) {
  return showModeOf(kButtons[button], ResCommMode.load());
}

}  // namespace

Tray::Tray(const base::ModelProfile& model, MainWindow& window) : model_(model), window_(window) {
  for (int button = 0; button < 3; ++button) {
    modes_[button] = menu_.addAction(QString(), [this, button] { chooseMode(button); });
    modes_[button]->setCheckable(true);
  }
  menu_.addSeparator();
  refresh_ = menu_.addAction(QString(), [] { refreshRequest(); });
  menu_.addSeparator();
  settings_ = menu_.addAction(QString(), [this] { window_.panel()->presentSettings(); });
  currentSettings_ =
      menu_.addAction(QString(), [this] { window_.panel()->presentCurrentSettings(); });
  showWindow_ = menu_.addAction(QString(), [this] { window_.bringToFront(); });
  modesByApplication_ = menu_.addAction(QString(), [this] {
    if (openModesByApplication_) openModesByApplication_();
  });
  startAtLogin_ = menu_.addAction(QString(), [this](bool on) {
    setAutostart(model_, on);
    startAtLogin_->setChecked(autostartEnabled(model_));
  });
  startAtLogin_->setCheckable(true);
  // The running program follows the rules file, where the choice is kept.
  notifyChanges_ = menu_.addAction(QString(), [this](bool on) {
    if (std::string why; !saveNotifications(on, why)) {
      platform::app().systemLog("The notifications setting is not kept: " + why + "\n");
    }
    notifyChanges_->setChecked(loadApplicationRules().notifications);
  });
  notifyChanges_->setCheckable(true);
  menu_.addSeparator();
  quit_ = menu_.addAction(QString(), [] { quitProgram(); });
  QObject::connect(&menu_, &QMenu::aboutToShow, [this] { refreshMenu(); });
  QObject::connect(&icon_, &QSystemTrayIcon::activated, [this](auto reason) {
    if (reason == QSystemTrayIcon::Trigger) toggleWindow();
  });
  icon_.setContextMenu(&menu_);
  refreshMenu();
}

bool Tray::show() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
  refreshIcon();
  QObject::connect(&stateWatch(), &StateWatch::changed, &menu_,
                   [this](const MonitorState& before, const MonitorState& now) {
                     if (before.online != now.online) refreshIcon();
                   });
  icon_.show();
  return true;
}

void Tray::refreshMenu() {
  for (int button = 0; button < 3; ++button) {
    const unsigned showMode = showModeOfButton(button);
    const ModeRow* row = modeRow(showMode);
    modes_[button]->setText(row != nullptr ? row->name : "");
    modes_[button]->setChecked(ShowMode.load() == showMode);
  }
  refresh_->setText(caption(Caption::kRefresh));
  settings_->setText(caption(Caption::kSettingsMenu));
  currentSettings_->setText(caption(Caption::kCurrentSettingsMenu));
  showWindow_->setText(caption(Caption::kShowWindow));
  modesByApplication_->setText(caption(Caption::kModesByApplicationMenu));
  startAtLogin_->setText(caption(Caption::kStartAtLogin));
  startAtLogin_->setChecked(autostartEnabled(model_));
  notifyChanges_->setText(caption(Caption::kNotifyChanges));
  notifyChanges_->setChecked(loadApplicationRules().notifications);
  quit_->setText(caption(Caption::kQuit));
}

void Tray::refreshIcon() {
  const bool online = MonitorOnline.load() == 1;
  const QIcon icon = platform::qt::programIcon();
  icon_.setIcon(online ? icon : QIcon(icon.pixmap(64, QIcon::Disabled)));
  icon_.setToolTip(
      QString("%1: %2").arg(model_.programName, online ? caption(Caption::kTrayMonitorConnected)
                                                       : caption(Caption::kTrayNoMonitor)));
}

void Tray::chooseMode(int button) {
  if (chooseShowMode(showModeOfButton(button)) == ActionResult::kOffline) {
    pop_out_warning_window();
  }
  refreshMenu();
}

void Tray::toggleWindow() {
  if (window_.isVisible() && !window_.isMinimized()) {
    window_.hide();
  } else {
    window_.bringToFront();
  }
}
