#pragma once
// The tray icon where the desktop has a tray (StatusNotifierItem on KDE):
// online or offline at a glance, and a menu with the model's display modes,
// Refresh, the dialogs, Show window, Start at login and Quit, in the
// program's language. With it, Hide puts the window away to the tray.

#include <QMenu>
#include <QSystemTrayIcon>
#include <functional>

#include "base/model_profile.h"

class MainWindow;

class Tray {
 public:
  Tray(const base::ModelProfile& model, MainWindow& window);

  // Shows the icon; false when the desktop has no tray.
  bool show();
  QMenu& menu() { return menu_; }
  // Texts, checked mode and the login box as they are now.
  void refreshMenu();
  // What "Modes by application..." opens.
  void setModesByApplication(std::function<void()> open) {
    openModesByApplication_ = std::move(open);
  }

 private:
  void refreshIcon();
  void chooseMode(int button);
  void toggleWindow();

  const base::ModelProfile& model_;
  MainWindow& window_;
  QMenu menu_;
  QSystemTrayIcon icon_;
  QAction* modes_[3];
  QAction* refresh_;
  QAction* settings_;
  QAction* currentSettings_;
  QAction* showWindow_;
  QAction* notifyChanges_ = nullptr;
  QAction* modesByApplication_ = nullptr;
  std::function<void()> openModesByApplication_;
  QAction* startAtLogin_;
  QAction* quit_;
};
