#pragma once
// The main panel: the three display-mode buttons, the resolution-mode choice,
// and Setting, Current settings, Help, Hide and Exit.

#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "core/link_state.h"
#include "core/mode_table.h"
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
  void showSaveOutcome(const std::string& problem) override;
  void showResolutionOutcome(const std::string& failure, bool changeRefused) override;
  void EnableModeButton();
  // The search clock's tick: one more second offline.
  void searchSecondPassed();

  void A2Action();
  void A5Action();
  void A16Action();
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
  void switchMode(ModeButton pressed);
  QPushButton* buttonFor(ModeButton button) const;
  void showLinkState();
  void showMonitorState();
  void showDetectionProblem(const DetectionProblem& problem, bool chinese);
  void followLink();
  QString searchTime(bool chinese) const;
  void setModeCaptions(uint8_t resolutionMode);

  QPointer<QDialog> settings_;
  // What the status line says beside the link (showSaveOutcome,
  // showResolutionOutcome).
  std::string saveProblem_;
  std::string resolutionFailure_;
  bool resolutionChangeRefused_ = false;
  // How long the worker has been looking for the monitor, for the status
  // line; it runs only while the link is down.
  QTimer searchClock_;
  int searchSeconds_ = 0;
};
