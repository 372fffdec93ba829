#pragma once
// The settings dialog: display mode, contrast with its live preview on the
// monitor, automatic refresh, the hotkeys and the screen-save time.

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <vector>

#include "MASShortcuts/mas_shortcut_view.h"
#include "core/ui_hooks.h"
#include "ui/desktop_hotkeys_button.h"
#include "ui/radio_matrix.h"

class SettingViewController : public QDialog, public ThresholdView {
 public:
  explicit SettingViewController(QWidget* parent = nullptr);
  ~SettingViewController() override;  // dealloc

  void viewDidLoad();
  // False, with the dialog left open, when a hotkey turned on holds a key
  // other programs use: the user is asked to record another first.
  bool SOK();
  void SCancel();
  void SSave();
  // The first hotkey turned on whose combination other programs use, with
  // the alert that asks for another; false when there is none.
  bool refuseHotkeyTakenFromOthers();
  void slider_action();
  void slider_edit_action();
  void DefineThresholdRadioAction();
  void RefreshTimeAction();
  void RefreshAutoCheckboxAction();
  void ContrastAction();
  void RefreshAction();
  void updateThreshold() override;
  void HotkeyAction();
  void WorkModeRadioAction() {}
  void ScreenSaveEditAction() {}
  void windowWillClose();
  void applicationDidFinishLaunching();

  // Escape is Cancel; the window's close button only closes (windowWillClose).
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 public:
  QLabel* ShowModeLabelRef;
  QLabel* ShowModeLabel;
  QLabel* STRING_show_mode;
  QLabel* NormalShowModeLabelRef;
  QLabel* ShowModeSetttingLabelRef;
  RadioMatrix* ShowModeRadio;
  RadioMatrix* WorkModeRadio;
  QLabel* ThresholdLabelRef;
  RadioMatrix* DefineThresholdRadio;
  QSlider* mode_slider;
  QLineEdit* slider_edit;
  QLabel* RefreshSettingLabelRef;
  QCheckBox* RefreshAutoCheckBox;
  QLabel* AutoRefreshScaleLabelRef;
  QLineEdit* AutoRefreshTime;
  QCheckBox* RefreshHandSoftCheckbox;
  MASShortcutView* ThresholdKeyBinding;
  MASShortcutView* ThresholdKeyBindingDown;
  QCheckBox* RefreshHandHardCheckBox;
  MASShortcutView* RefreshKeyBinding;
  DesktopHotkeysButton* DesktopHotkeys;  // where the desktop keeps keys to itself
  QLineEdit* ScreenSaveTimeEdit;
  RadioMatrix* ResolutionSelectRadio;
  QLabel* ResolutionNoteText;
  QLabel* ScreenSaveNoteText;  // the session's limits: no idle time, no global hotkeys
  QPushButton* OKButtonRef;
  QPushButton* CancelButtonRef;

 private:
  void buildLayout();
  void setCaptions(bool english);
  void showThreshold(int threshold);
  void setSliderValue(int value);
  void selectPreset(int threshold);
  void preview();
  // The ShowMode's captions, and the contrast controls it takes.
  void showCurrentMode();
  void showSessionNotes();
  void dismissController();

  bool settingSlider_ = false;
  std::vector<QGroupBox*> groups_;
};
