#pragma once
// The program's main window: the main panel and the program's menus, whose
// texts follow the Language Parameter like the panel's.

#include <QMainWindow>

class QAction;
class QMenu;
class ViewController;

class MainWindow : public QMainWindow {
 public:
  MainWindow();
  ViewController* panel() const { return panel_; }
  // Shown, restored and in front of the other windows.
  void bringToFront();

 private:
  void retitleMenus();

  ViewController* panel_;
  QMenu* helpMenu_;
  QAction* settings_;
  QAction* currentSettings_;
  QAction* startAtLogin_;
  QAction* hide_;
  QAction* quit_;
  QAction* helpAndLanguage_;
};
