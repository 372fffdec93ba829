#include "app/tray.h"

#include "app/autostart.h"
#include "app/control_names.h"
#include "app/main_window.h"
#include "core/app_delegate.h"
#include "core/runtime_flags.h"
#include "platform/qt/program_icon.h"
#include "ui/language_text.h"
#include "ui/view_controller.h"

namespace {

constexpr int kWatchIntervalMs = 1000;

// The ShowMode of the panel's mode button 0 (A5/Floyd), 1 (A2) or 2 (A16) in
// the current resolution mode: 1 to 3 when flexible, 4 to 6 when fixed.
unsigned showModeOfButton(int button) {
  return static_cast<unsigned>(button) + (ResCommMode.load() == 2 ? 4 : 1);
}

}  // namespace

Tray::Tray(const ModelProfile& model, MainWindow& window, AppDelegate& delegate)
    : model_(model), window_(window), delegate_(delegate) {
  for (int button = 0; button < 3; ++button) {
    modes_[button] = menu_.addAction(QString(), [this, button] { chooseMode(button); });
    modes_[button]->setCheckable(true);
  }
  menu_.addSeparator();
  refresh_ = menu_.addAction(QString(), [this] { delegate_.refreshRequest(); });
  menu_.addSeparator();
  settings_ = menu_.addAction(QString(), [this] { window_.panel()->presentSettings(); });
  currentSettings_ =
      menu_.addAction(QString(), [this] { window_.panel()->presentCurrentSettings(); });
  showWindow_ = menu_.addAction(QString(), [this] { window_.bringToFront(); });
  startAtLogin_ = menu_.addAction(QString(), [this](bool on) {
    setAutostart(model_, on);
    startAtLogin_->setChecked(autostartEnabled(model_));
  });
  startAtLogin_->setCheckable(true);
  menu_.addSeparator();
  quit_ = menu_.addAction(QString(), [this] { window_.panel()->ExitAction(); });
  QObject::connect(&menu_, &QMenu::aboutToShow, [this] { refreshMenu(); });
  QObject::connect(&icon_, &QSystemTrayIcon::activated, [this](auto reason) {
    if (reason == QSystemTrayIcon::Trigger) toggleWindow();
  });
  QObject::connect(&watch_, &QTimer::timeout, [this] { refreshIcon(); });
  icon_.setContextMenu(&menu_);
  refreshMenu();
}

bool Tray::show() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
  shownOnline_ = MonitorOnline.load() != 1;  // differs, so the first look sets the icon
  refreshIcon();
  icon_.show();
  watch_.start(kWatchIntervalMs);
  return true;
}

void Tray::refreshMenu() {
  for (int button = 0; button < 3; ++button) {
    const unsigned showMode = showModeOfButton(button);
    modes_[button]->setText(showModeName(showMode));
    modes_[button]->setChecked(ShowMode.load() == showMode);
  }
  refresh_->setText(languageText("Refresh", "刷新"));
  settings_->setText(languageText("Settings...", "设置..."));
  currentSettings_->setText(languageText("Current settings...", "当前设置..."));
  showWindow_->setText(languageText("Show window", "显示窗口"));
  startAtLogin_->setText(languageText("Start at login", "登录时启动"));
  startAtLogin_->setChecked(autostartEnabled(model_));
  quit_->setText(languageText("Quit", "退出"));
}

void Tray::refreshIcon() {
  const bool online = MonitorOnline.load() == 1;
  if (online == shownOnline_) return;
  shownOnline_ = online;
  const QIcon icon = platform::programIcon();
  icon_.setIcon(online ? icon : QIcon(icon.pixmap(64, QIcon::Disabled)));
  icon_.setToolTip(QString("%1: %2").arg(model_.programName,
                                         online ? languageText("monitor connected", "显示器已连接")
                                                : languageText("no monitor", "未检测到显示器")));
}

void Tray::chooseMode(int button) {
  window_.panel()->switchToShowMode(showModeOfButton(button));
  refreshMenu();
}

void Tray::toggleWindow() {
  if (window_.isVisible() && !window_.isMinimized()) {
    window_.hide();
  } else {
    window_.bringToFront();
  }
}
