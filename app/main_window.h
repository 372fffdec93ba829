#pragma once
// The program's main window: the main panel and the program's menus.

#include <QMainWindow>

class ViewController;

class MainWindow : public QMainWindow {
 public:
  MainWindow();
  ViewController* panel() const { return panel_; }

 private:
  ViewController* panel_;
};
