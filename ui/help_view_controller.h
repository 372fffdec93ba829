#pragma once
// The help dialog: the interface language, the version check and About.

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QPushButton>

class HelpViewController : public QDialog {
 public:
  explicit HelpViewController(QWidget* parent = nullptr);
  void viewDidLoad();
  void PopUPButtonAction();
  void UOK();
  void UCancel();
  void UFunctional();
  void UAbout();

  QPushButton* CheckingNewVersionRef;
  QPushButton* AboutRef;
  QPushButton* CancelRef;
  QGroupBox* LanguageRef;
  QPushButton* OkButtonRef;
  QComboBox* PopUPButtonRef;

 private:
  void setTitles(bool english);
};

// The maker's version-check page.
extern const char* const kVersionCheckURL;
