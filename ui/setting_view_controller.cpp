#include "ui/setting_view_controller.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <utility>

#include "MASShortcuts/mas_recorder_texts.h"
#include "MASShortcuts/mas_shortcut_validator.h"
#include "base/model_profile.h"
#include "base/tl_log.h"
#include "core/desktop_hotkey_offer.h"
#include "core/focus_source_problem.h"
#include "core/mode_table.h"
#include "core/monitor_actions.h"
#include "core/parameter_store.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "core/session_capabilities.h"
#include "platform/key_codes.h"
#include "platform/platform.h"
#include "ui/captions.h"
#include "ui/console.h"
#include "ui/state_watch.h"

namespace {

constexpr int kPresetThresholds[3] = {130, 170, 190};
constexpr int kSelfDefined = 3;

// The leading number of a text, 0 when there is none, held to 32 bits.
int32_t integerValue(const QString& value) {
  const long long number = std::strtoll(value.toUtf8().constData(), nullptr, 10);
  if (number > INT32_MAX) return INT32_MAX;
  if (number < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(number);
}

void setFieldEnabled(QLineEdit* field, bool enabled) {
  field->setEnabled(enabled);
  QPalette palette = field->palette();
  palette.setColor(QPalette::Base, enabled ? Qt::white : Qt::lightGray);
  palette.setColor(QPalette::Disabled, QPalette::Text, Qt::black);
  field->setPalette(palette);
}

void alert(const char* informative) {
  platform::app().runModalAlert({"Warning!!!\n", informative, {"Ok"}, 1});
}

int presetColumn(int threshold) {
  for (int column = 0; column < 3; ++column) {
    if (kPresetThresholds[column] == threshold) return column;
  }
  return kSelfDefined;
}

HotkeyChoice hotkeyOf(const MASShortcutView* recorder) {
  const auto& shortcut = recorder->shortcutValue();
  if (!shortcut) return {};
  return {shortcut->carbonKeyCode(), static_cast<uint32_t>(shortcut->modifierFlags())};
}

}  // namespace

SettingViewController::SettingViewController(QWidget* parent) : QDialog(parent) {
  buildLayout();
  connect(mode_slider, &QSlider::valueChanged, this, [this](int) {
    if (!settingSlider_) slider_action();
  });
  connect(slider_edit, &QLineEdit::editingFinished, this, [this] {
    if (slider_edit->isModified()) {
      slider_edit->setModified(false);
      slider_edit_action();
    }
  });
  DefineThresholdRadio->setAction([this] { DefineThresholdRadioAction(); });
  WorkModeRadio->setAction([this] { WorkModeRadioAction(); });
  connect(AutoRefreshTime, &QLineEdit::editingFinished, this, [this] {
    if (AutoRefreshTime->isModified()) {
      AutoRefreshTime->setModified(false);
      RefreshTimeAction();
    }
  });
  connect(RefreshAutoCheckBox, &QCheckBox::clicked, this, [this] { RefreshAutoCheckboxAction(); });
  connect(RefreshHandSoftCheckbox, &QCheckBox::clicked, this, [this] { ContrastAction(); });
  connect(RefreshHandHardCheckBox, &QCheckBox::clicked, this, [this] { RefreshAction(); });
  connect(OKButtonRef, &QPushButton::clicked, this, [this] { SOK(); });
  connect(CancelButtonRef, &QPushButton::clicked, this, [this] { SCancel(); });
  connect(this, &QDialog::finished, this, [this] { windowWillClose(); });
  // A mode or threshold chosen elsewhere while the dialog is open is shown
  // here, so that OK keeps it instead of writing back what the dialog opened with.
  connect(&stateWatch(), &StateWatch::changed, this,
          [this](const MonitorState& before, const MonitorState& now) {
            if (before.showMode != now.showMode || before.resolutionMode != now.resolutionMode) {
              setCaptions(Language.load() == kLanguageEnglish);
              showCurrentMode();
            }
            if (before.threshold != now.threshold) updateThreshold();
            if (before.hotkeysLocal != now.hotkeysLocal) {
              showSessionNotes();
              DesktopHotkeys->showState(Language.load() == kLanguageEnglish);
            }
          });
  viewDidLoad();
}

SettingViewController::~SettingViewController() {
  base::tl_log("______________-    setting view controller dealloc finished.\n");
  ThresholdView* self = this;
  SVC.compare_exchange_strong(self, nullptr);
}

void SettingViewController::buildLayout() {
  setWindowTitle(caption(Caption::kSettingsTitle, Language.load() == kLanguageEnglish));
  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(10);

  auto* display = new QGroupBox(this);
  auto* displayGrid = new QGridLayout(display);
  ShowModeLabelRef = new QLabel(display);
  ShowModeLabel = new QLabel(display);
  ShowModeSetttingLabelRef = new QLabel(display);
  STRING_show_mode = new QLabel(display);
  NormalShowModeLabelRef = new QLabel(display);
  ShowModeRadio = new RadioMatrix(1, 3, display);
  WorkModeRadio = new RadioMatrix(1, 4, display);
  ResolutionSelectRadio = new RadioMatrix(1, 2, display);
  displayGrid->addWidget(ShowModeLabelRef, 0, 0, Qt::AlignRight);
  displayGrid->addWidget(ShowModeLabel, 0, 1);
  displayGrid->addWidget(ShowModeSetttingLabelRef, 1, 0, Qt::AlignRight);
  displayGrid->addWidget(STRING_show_mode, 1, 1);
  displayGrid->addWidget(NormalShowModeLabelRef, 2, 1);
  displayGrid->addWidget(ShowModeRadio, 3, 0, 1, 2);
  displayGrid->addWidget(WorkModeRadio, 4, 0, 1, 2);
  displayGrid->addWidget(ResolutionSelectRadio, 5, 0, 1, 2);
  layout->addWidget(display);

  auto* contrast = new QGroupBox(this);
  auto* contrastGrid = new QGridLayout(contrast);
  ThresholdLabelRef = new QLabel(contrast);
  DefineThresholdRadio = new RadioMatrix(1, 4, contrast);
  mode_slider = new QSlider(Qt::Horizontal, contrast);
  mode_slider->setRange(0, 255);
  mode_slider->setPageStep(10);
  slider_edit = new QLineEdit(contrast);
  slider_edit->setMaximumWidth(64);
  contrastGrid->addWidget(ThresholdLabelRef, 0, 0, 1, 2);
  contrastGrid->addWidget(DefineThresholdRadio, 1, 0, 1, 2);
  contrastGrid->addWidget(mode_slider, 2, 0);
  contrastGrid->addWidget(slider_edit, 2, 1);
  layout->addWidget(contrast);

  auto* refresh = new QGroupBox(this);
  auto* refreshGrid = new QGridLayout(refresh);
  RefreshSettingLabelRef = new QLabel(refresh);
  RefreshAutoCheckBox = new QCheckBox(refresh);
  AutoRefreshScaleLabelRef = new QLabel(refresh);
  AutoRefreshTime = new QLineEdit(refresh);
  AutoRefreshTime->setMaximumWidth(64);
  refreshGrid->addWidget(RefreshSettingLabelRef, 0, 0);
  refreshGrid->addWidget(RefreshAutoCheckBox, 0, 1);
  refreshGrid->addWidget(AutoRefreshScaleLabelRef, 1, 0, Qt::AlignRight);
  refreshGrid->addWidget(AutoRefreshTime, 1, 1);
  layout->addWidget(refresh);

  auto* hotkeys = new QGroupBox(this);
  auto* hotkeyGrid = new QGridLayout(hotkeys);
  RefreshHandSoftCheckbox = new QCheckBox(hotkeys);
  ThresholdKeyBinding = new MASShortcutView(hotkeys);
  ThresholdKeyBindingDown = new MASShortcutView(hotkeys);
  RefreshHandHardCheckBox = new QCheckBox(hotkeys);
  RefreshKeyBinding = new MASShortcutView(hotkeys);
  hotkeyGrid->addWidget(RefreshHandSoftCheckbox, 0, 0);
  hotkeyGrid->addWidget(new QLabel("+", hotkeys), 0, 1, Qt::AlignRight);
  hotkeyGrid->addWidget(ThresholdKeyBinding, 0, 2);
  hotkeyGrid->addWidget(new QLabel("-", hotkeys), 1, 1, Qt::AlignRight);
  hotkeyGrid->addWidget(ThresholdKeyBindingDown, 1, 2);
  hotkeyGrid->addWidget(RefreshHandHardCheckBox, 2, 0);
  hotkeyGrid->addWidget(RefreshKeyBinding, 2, 2);
  DesktopHotkeys = new DesktopHotkeysButton(hotkeys);
  hotkeyGrid->addWidget(DesktopHotkeys, 3, 0, 1, 3);
  layout->addWidget(hotkeys);

  auto* screen = new QGroupBox(this);
  auto* screenRow = new QHBoxLayout(screen);
  ScreenSaveTimeEdit = new QLineEdit(screen);
  ScreenSaveTimeEdit->setMaximumWidth(64);
  ResolutionNoteText = new QLabel(screen);
  screenRow->addWidget(ScreenSaveTimeEdit);
  screenRow->addWidget(new QLabel("s", screen));
  screenRow->addStretch();
  screenRow->addWidget(ResolutionNoteText);
  layout->addWidget(screen);
  ScreenSaveNoteText = new QLabel(this);
  ScreenSaveNoteText->setWordWrap(true);
  ScreenSaveNoteText->setTextInteractionFlags(Qt::TextSelectableByMouse);  // lines to copy
  layout->addWidget(ScreenSaveNoteText);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  CancelButtonRef = new QPushButton(this);
  OKButtonRef = new QPushButton(this);
  OKButtonRef->setDefault(true);
  buttons->addWidget(CancelButtonRef);
  buttons->addWidget(OKButtonRef);
  layout->addLayout(buttons);

  groups_ = {display, contrast, refresh, hotkeys, screen};
}

void SettingViewController::setCaptions(bool english) {
  const bool flexible = ResCommMode.load() == 1;
  const base::ModelProfile& model = base::profile();
  NormalShowModeLabelRef->setText(
      flexible
          ? (caption(Caption::kFlexibleMode, english))
          : QString::fromUtf8(english ? model.fixedModeLabelEnglish : model.fixedModeLabelChinese));
  ShowModeLabelRef->setText(caption(Caption::kCurrentShowMode, english));
  ShowModeSetttingLabelRef->setText(caption(Caption::kNormalShowModeSetting, english));
  ThresholdLabelRef->setText(caption(Caption::kContrastSettingLabel, english));
  RefreshSettingLabelRef->setText(caption(Caption::kRefreshSetting, english));
  AutoRefreshScaleLabelRef->setText(caption(Caption::kRefreshInterval, english));
  RefreshAutoCheckBox->setText(caption(Caption::kAutoRefresh, english));
  RefreshHandSoftCheckbox->setText(caption(Caption::kContrastHotkey, english));
  RefreshHandHardCheckBox->setText(caption(Caption::kRefreshHotkey, english));
  OKButtonRef->setText(caption(Caption::kOk, english));
  CancelButtonRef->setText(caption(Caption::kCancel, english));
  DesktopHotkeys->showState(english);
  MASSetRecorderTextsChinese(!english && model.localizedShortcutTexts);
  const Caption presets[4] = {Caption::kPresetLow, Caption::kPresetMedium, Caption::kPresetHigh,
                              Caption::kPresetOwn};
  for (int column = 0; column < 4; ++column) {
    DefineThresholdRadio->cells()[column]->setText(caption(presets[column], english));
  }
  const Caption groupTitles[5] = {Caption::kGroupDisplayMode, Caption::kGroupContrast,
                                  Caption::kRefresh, Caption::kGroupHotkeys,
                                  Caption::kGroupScreenSave};
  for (size_t i = 0; i < groups_.size(); ++i)
    groups_[i]->setTitle(caption(groupTitles[i], english));
}

// Where the session gives no idle time, screen save never starts on its own;
// where the desktop keeps global keys, the hotkeys act in this window only;
// where rules are set and the desktop does not say where the focus is, they
// wait for what the desktop lacks.
// The desktop's answer may come while the dialog is open (GNOME's dialog).
void SettingViewController::showSessionNotes() {
  const bool english = Language.load() == kLanguageEnglish;
  const bool idleTimeUnknown = !sessionCapabilities().idleTimeKnown.load();
  const bool hotkeysLocal = sessionCapabilities().globalHotkeysUnavailable.load();
  QStringList notes;
  if (idleTimeUnknown) {
    notes << caption(Caption::kNoIdleTime, english);
  }
  if (hotkeysLocal && desktopHotkeyOffer().offered()) {
    notes << caption(Caption::kHotkeysLocalUseButton, english);
  } else if (hotkeysLocal && desktopHotkeyOffer().configurationLines) {
    notes << caption(Caption::kHotkeysLocalSwayLines, english)
          << QString::fromStdString(desktopHotkeyOffer().configurationLines()).trimmed();
  } else if (hotkeysLocal) {
    const QString program = base::profile().programName;
    notes << caption(Caption::kHotkeysLocalBindCommands, english).arg(program);
  }
  if (focusSourceProblem()) {
    const std::string problem = focusSourceProblem()();
    if (!problem.empty()) {
      notes << caption(Caption::kModesNotFollowed, english).arg(QString::fromStdString(problem));
    }
  }
  ScreenSaveNoteText->setVisible(!notes.isEmpty());
  ScreenSaveNoteText->setText(notes.join("\n"));
}

void SettingViewController::viewDidLoad() {
  SVC = this;
  const bool soft = FreshHandSoftEnable.load() == 1;
  const bool hard = FreshHandHardEnable.load() == 1;
  ThresholdKeyBinding->setShortcutValue(
      MASShortcut::shortcutWithKeyCode(ContrastHotkeyKeyCode, ContrastHotkeyModifierFlags));
  ThresholdKeyBindingDown->setShortcutValue(
      MASShortcut::shortcutWithKeyCode(ContrastHotkeyDownKeyCode, ContrastHotkeyDownModifierFlags));
  ThresholdKeyBinding->setEnabled(soft);
  ThresholdKeyBindingDown->setEnabled(soft);
  RefreshKeyBinding->setShortcutValue(
      MASShortcut::shortcutWithKeyCode(RefreshHotkeyKeyCode, RefreshHotkeyModifierFlags));
  RefreshKeyBinding->setEnabled(hard);
  const auto& contrastUp = *ThresholdKeyBinding->shortcutValue();
  consoleLine("______  %lu , %lu.\n", static_cast<unsigned long>(contrastUp.keyCode()),
              static_cast<unsigned long>(contrastUp.modifierFlags()));
  setCaptions(Language.load() == kLanguageEnglish);
  showThreshold(Threshold.load());
  const int workMode = WorkMode.load();
  WorkModeRadio->selectCellAtRow(0, workMode - 1);
  selectPreset(Threshold.load());
  ResolutionSelectRadio->hide();
  ResolutionNoteText->setText("Not supported this feature!");
  showSessionNotes();
  if (workMode >= 1 && workMode <= 4) WorkModeRadio->selectCellAtRow(0, workMode - 1);
  WorkModeRadio->hide();
  consoleLine("ShowMode is %d\n", ShowMode.load());
  ShowModeRadio->setEnabled(false);
  ShowModeRadio->hide();
  AutoRefreshTime->setText(QString::asprintf("%d", AutoFreshTime.load()));
  const bool autoRefresh = FreshAutoEnable.load() != 0;
  RefreshAutoCheckBox->setChecked(autoRefresh);
  setFieldEnabled(AutoRefreshTime, autoRefresh);
  RefreshHandSoftCheckbox->setChecked(FreshHandSoftEnable.load() != 0);
  RefreshHandHardCheckBox->setChecked(FreshHandHardEnable.load() != 0);
  ScreenSaveTimeEdit->setText(QString::asprintf("%d", ScreenSaveTime.load()));
  setFieldEnabled(ScreenSaveTimeEdit, false);
  showCurrentMode();
}

void SettingViewController::showCurrentMode() {
  const ModeRow* row = modeRow(ShowMode.load());
  if (row == nullptr) return;
  ShowModeRadio->selectCellAtRow(0, row->settingsColumn);
  STRING_show_mode->setText(row->settingsCaption);
  ShowModeLabel->setText(row->settingsCaption);
  const bool takesThreshold = row->scale != ThresholdScale::kNone;
  const bool presetsOff =
      row->button == ModeButton::kA5 && base::profile().presetsDisabledInFloydAndA5;
  DefineThresholdRadio->setEnabled(takesThreshold && !presetsOff);
  slider_edit->setEnabled(takesThreshold);
  mode_slider->setEnabled(takesThreshold);
}

void SettingViewController::setSliderValue(int value) {
  settingSlider_ = true;
  mode_slider->setValue(value);  // the slider keeps the value within its range
  settingSlider_ = false;
}

void SettingViewController::showThreshold(int threshold) {
  slider_edit->setText(QString::asprintf("%d", threshold));
  setSliderValue(threshold);
}

void SettingViewController::selectPreset(int threshold) {
  DefineThresholdRadio->selectCellAtRow(0, presetColumn(threshold));
}

void SettingViewController::preview() {
  previewThreshold(static_cast<uint16_t>(mode_slider->value()));
}

void SettingViewController::slider_action() {
  DefineThresholdRadio->selectCellAtRow(0, kSelfDefined);
  slider_edit->setText(QString::asprintf("%d", mode_slider->value()));
  consoleLine("threshold is %ld.\n", static_cast<long>(mode_slider->value()));
  preview();
}

void SettingViewController::slider_edit_action() {
  DefineThresholdRadio->selectCellAtRow(0, kSelfDefined);
  const int32_t value = integerValue(slider_edit->text());
  const ModeRow* row = modeRow(ShowMode.load());
  if (row != nullptr && row->scale == ThresholdScale::kA2Range &&
      static_cast<uint32_t>(value) >= 256) {
    alert("Threshold should bettween 0 to 255");
    showThreshold(Threshold.load());
    return;
  }
  setSliderValue(value);
  preview();
}

void SettingViewController::DefineThresholdRadioAction() {
  const int column = DefineThresholdRadio->selectedColumn();
  if (column < 0 || column >= kSelfDefined) return;
  showThreshold(kPresetThresholds[column]);
  preview();
}

void SettingViewController::updateThreshold() {
  showThreshold(Threshold.load());
  selectPreset(Threshold.load());
}

void SettingViewController::RefreshTimeAction() {
  const auto value = static_cast<uint32_t>(integerValue(AutoRefreshTime->text()));
  if (value > kLongestRefreshInterval || value < kShortestRefreshInterval) {
    alert("Refresh time should bettween 15s to 600s");
    AutoRefreshTime->setText("15");
  }
}

void SettingViewController::RefreshAutoCheckboxAction() {
  setFieldEnabled(AutoRefreshTime, RefreshAutoCheckBox->isChecked());
}

void SettingViewController::ContrastAction() {
  const bool on = RefreshHandSoftCheckbox->isChecked();
  ThresholdKeyBinding->setEnabled(on);
  ThresholdKeyBindingDown->setEnabled(on);
}

void SettingViewController::RefreshAction() {
  RefreshKeyBinding->setEnabled(RefreshHandHardCheckBox->isChecked());
}

void SettingViewController::dismissController() {
  QDialog::done(QDialog::Accepted);
}

namespace {

// The same key with more modifiers, the first that the desktop leaves free:
// Alt beside it collides with none of the standard editing keys, though
// GNOME or KDE may hold it too.
MASShortcut freeCombinationFor(const MASShortcut& taken) {
  using platform::kModifierCommand;
  using platform::kModifierOption;
  using platform::kModifierShift;
  const uint64_t held = taken.modifierFlags();
  const uint64_t candidates[] = {held | kModifierOption, held | kModifierOption | kModifierShift,
                                 kModifierCommand | kModifierOption,
                                 kModifierCommand | kModifierOption | kModifierShift};
  for (const uint64_t modifiers : candidates) {
    const MASShortcut candidate = MASShortcut::shortcutWithKeyCode(taken.keyCode(), modifiers);
    if (!MASShortcutValidator::sharedValidator().isShortcutAlreadyTakenBySystem(candidate,
                                                                                nullptr)) {
      return candidate;
    }
  }
  return MASShortcut::shortcutWithKeyCode(taken.keyCode(), candidates[0]);
}

}  // namespace

bool SettingViewController::refuseHotkeyTakenFromOthers() {
  const std::pair<QCheckBox*, MASShortcutView*> hotkeys[] = {
      {RefreshHandSoftCheckbox, ThresholdKeyBinding},
      {RefreshHandSoftCheckbox, ThresholdKeyBindingDown},
      {RefreshHandHardCheckBox, RefreshKeyBinding}};
  for (const auto& [checkbox, recorder] : hotkeys) {
    const auto& shortcut = recorder->shortcutValue();
    if (!checkbox->isChecked() || !shortcut ||
        !MASShortcutValidator::sharedValidator().isShortcutAlreadyTakenBySystem(*shortcut,
                                                                                nullptr)) {
      continue;
    }
    const MASShortcut suggestion = freeCombinationFor(*shortcut);
    const bool english = Language.load() == kLanguageEnglish;
    const std::string text = caption(Caption::kHotkeyTakenFromOthers, english)
                                 .arg(shortcut->description(), suggestion.description())
                                 .toStdString();
    platform::app().runModalAlert({"Warning!!!\n", text, {"Ok"}, 1});
    recorder->setFocus();
    return true;
  }
  return false;
}

bool SettingViewController::SOK() {
  if (refuseHotkeyTakenFromOthers()) return false;
  dismissController();
  ScreenSaveCount = 0;
  SVC = nullptr;
  SettingsChoice choice;
  const int workColumn = WorkModeRadio->selectedColumn();
  choice.workMode = static_cast<uint8_t>(workColumn >= 0 && workColumn <= 3 ? workColumn + 1 : 1);
  // Any resolution mode but 1 reads the columns as the fixed mode's, as the
  // dialog shows them (a hand-edited file may hold another value).
  const uint8_t columnsOf = ResCommMode.load() == 1 ? 1 : 2;
  for (const ModeRow& row : modeRows()) {
    if (row.resolutionMode == columnsOf && row.settingsColumn == ShowModeRadio->selectedColumn()) {
      choice.showMode = row.showMode;
    }
  }
  choice.threshold = static_cast<uint16_t>(mode_slider->value());
  choice.contrastHotkeysOn = RefreshHandSoftCheckbox->isChecked();
  choice.refreshHotkeyOn = RefreshHandHardCheckBox->isChecked();
  choice.autoRefresh = RefreshAutoCheckBox->isChecked();
  choice.refreshInterval = static_cast<uint32_t>(integerValue(AutoRefreshTime->text()));
  choice.contrastUp = hotkeyOf(ThresholdKeyBinding);
  choice.contrastDown = hotkeyOf(ThresholdKeyBindingDown);
  choice.refresh = hotkeyOf(RefreshKeyBinding);
  commitSettings(choice);
  return true;
}

void SettingViewController::SCancel() {
  dismissController();
  SVC = nullptr;
  withdrawThresholdPreview(static_cast<uint16_t>(mode_slider->value()));
}

void SettingViewController::reject() {
  SCancel();
}

void SettingViewController::closeEvent(QCloseEvent* event) {
  event->accept();
  if (isVisible()) QDialog::done(QDialog::Rejected);
}

void SettingViewController::SSave() {
  consoleLine("not implemented yet\n");
  if (SOK()) saveParameterFile();
}

void SettingViewController::HotkeyAction() {
  consoleLine("ssssss.\n");
  auto& keyboard = platform::keyboard();
  if (!keyboard.hasKeyLayout()) return;
  platform::KeyTranslation translation = keyboard.translateKey(7, 0, false);
  if (translation.ok && translation.characters.empty() && translation.deadKeyState != 0) {
    translation = keyboard.translateKey(49, translation.deadKeyState, false);
  }
  if (translation.ok && !translation.characters.empty()) {
    platform::app().systemLog(
        QString::fromStdU16String(translation.characters).toUpper().toStdString());
  }
}

void SettingViewController::windowWillClose() {
  base::tl_log("______________-    window will close.\n");
  SVC = nullptr;
}

void SettingViewController::applicationDidFinishLaunching() {
  base::tl_log("______________-    setting view controller finished.\n");
  SVC = nullptr;
}
