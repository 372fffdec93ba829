#pragma once
// A read-only summary of the current settings.

#include <QDialog>
#include <QLabel>

class CurrentSettingsViewController : public QDialog {
 public:
  explicit CurrentSettingsViewController(QWidget* parent = nullptr);
  void viewDidLoad();
  void COK();

  QLabel* CurrentMode;
  QLabel* CurrentWorkMode;
  QLabel* CurrentModeThreshold;
  QLabel* CurrentModeResolution;
  QLabel* CurrentRefreshMethod;
  QLabel* CurrentRefreshHandSoft;
  QLabel* CurrentRefreshHandHard;
  QLabel* CurrentSoftVersion;
};
