#pragma once
// The main panel: the three display-mode buttons, the resolution-mode choice,
// and Setting, Current settings, Help, Hide and Exit.

#include <QPushButton>
#include <QWidget>
#include <functional>

#include "core/ui_hooks.h"
#include "ui/radio_matrix.h"

class QLabel;

class ViewController : public QWidget, public MainPanel {
 public:
  explicit ViewController(QWidget* parent = nullptr);
  ~ViewController() override;

  void viewDidLoad();
  void UIButtonTextAutoChange() override;
  void ChangeResModeRadio() override;
  void ChangeModeButton() override;
  void EnableModeButton();

  void A2Action();
  void A5Action();
  void A16Action();
  // The mode button that stands for a ShowMode: A5 (Floyd) for 1 and 4, A2
  // for 2 and 5, A16 for 3 and 6.
  void switchToShowMode(unsigned showMode);
  void WorkModeRadioAction();
  void HelpButtonAction();
  void HideAction();
  void ExitAction();

  // Presenting the other dialogs (the layout's connections).
  void presentSettings();
  void presentCurrentSettings();
  void presentHelp();

  QPushButton* A5ButtonRef;
  QPushButton* A2ButtonRef;
  QPushButton* A16ButtonRef;
  RadioMatrix* ResCommModeRadioRef;
  QPushButton* SettingButtonRef;
  QPushButton* ExitButtonRef;
  QPushButton* HideButton;
  QPushButton* HelpButton;
  QPushButton* CurrentSettingsButton;
  QLabel* StatusLine;
  // Called after the captions follow a change of Language, for the texts
  // around the panel (the window's menus).
  std::function<void()> captionsChanged;

 private:
  // Set when a resolution mode was picked in a session that does not let the
  // program change the monitor's display mode: the status line says so.
  bool resolutionChangeRefused_ = false;
  struct ModeAction;
  void switchMode(const ModeAction& action);
  void showLinkState();
  void setModeCaptions(const char* a5Caption, const char* a16Caption);
};
