#pragma once
// The program's main window: the main panel and the program's menus, whose
// texts follow the Language Parameter like the panel's.

#include <QMainWindow>
#include <functional>

class QAction;
class QMenu;
class ViewController;

class MainWindow : public QMainWindow {
 public:
  MainWindow();
  ViewController* panel() const { return panel_; }
  // Shown, restored and in front of the other windows.
  void bringToFront();
  // What the program menu's "Modes by application..." opens.
  void setModesByApplication(std::function<void()> open) {
    openModesByApplication_ = std::move(open);
  }

 private:
  void retitleMenus();

  ViewController* panel_;
  QMenu* helpMenu_;
  QAction* settings_;
  QAction* currentSettings_;
  QAction* modesByApplication_;
  std::function<void()> openModesByApplication_;
  QAction* startAtLogin_;
  QAction* hide_;
  QAction* quit_;
  QAction* helpAndLanguage_;
};
