#include "ui/view_controller.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "base/model_profile.h"
#include "base/tl_log.h"
#include "core/link_state.h"
#include "core/mode_table.h"
#include "core/monitor_actions.h"
#include "core/parameter_store.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "platform/platform.h"
#include "ui/captions.h"
#include "ui/console.h"
#include "ui/current_settings_view_controller.h"
#include "ui/help_view_controller.h"
#include "ui/setting_view_controller.h"
#include "ui/state_watch.h"
#include "ui/warning_alert.h"

ViewController::ViewController(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 12);
  layout->setSpacing(12);

  auto* modes = new QGroupBox(this);
  auto* modeRow = new QHBoxLayout(modes);
  A5ButtonRef = new QPushButton("A5", modes);
  A2ButtonRef = new QPushButton("A2", modes);
  A16ButtonRef = new QPushButton("A16", modes);
  for (QPushButton* button : {A5ButtonRef, A2ButtonRef, A16ButtonRef}) {
    button->setMinimumSize(96, 44);
    modeRow->addWidget(button);
  }
  layout->addWidget(modes);

  ResCommModeRadioRef = new RadioMatrix(2, 1, this);
  layout->addWidget(ResCommModeRadioRef);

  auto* buttons = new QHBoxLayout;
  SettingButtonRef = new QPushButton(this);
  CurrentSettingsButton = new QPushButton(this);
  HelpButton = new QPushButton(this);
  HideButton = new QPushButton(this);
  ExitButtonRef = new QPushButton(this);
  for (QPushButton* button :
       {SettingButtonRef, CurrentSettingsButton, HelpButton, HideButton, ExitButtonRef}) {
    buttons->addWidget(button);
  }
  layout->addLayout(buttons);
  StatusLine = new QLabel(this);
  StatusLine->setAlignment(Qt::AlignCenter);
  layout->addWidget(StatusLine);

  connect(A2ButtonRef, &QPushButton::clicked, this, [this] { A2Action(); });
  connect(A5ButtonRef, &QPushButton::clicked, this, [this] { A5Action(); });
  connect(A16ButtonRef, &QPushButton::clicked, this, [this] { A16Action(); });
  ResCommModeRadioRef->setAction([this] { WorkModeRadioAction(); });
  connect(SettingButtonRef, &QPushButton::clicked, this, [this] { presentSettings(); });
  connect(CurrentSettingsButton, &QPushButton::clicked, this, [this] { presentCurrentSettings(); });
  connect(HelpButton, &QPushButton::clicked, this, [this] {
    HelpButtonAction();
    presentHelp();
  });
  connect(HideButton, &QPushButton::clicked, this, [this] { HideAction(); });
  connect(ExitButtonRef, &QPushButton::clicked, this, [this] { ExitAction(); });

  // The link state is the worker's; the panel shows it as it changes.
  connect(&stateWatch(), &StateWatch::changed, this, [this] { followLink(); });
  connect(&searchClock_, &QTimer::timeout, this, [this] { searchSecondPassed(); });
  searchClock_.setInterval(1000);
  followLink();
  viewDidLoad();
}

ViewController::~ViewController() {
  MainPanel* self = this;
  VCInstance.compare_exchange_strong(self, nullptr);
}

void ViewController::viewDidLoad() {
  UIButtonTextAutoChange();
  VCInstance = this;
}

void ViewController::UIButtonTextAutoChange() {
  const bool chinese = Language.load() == kLanguageChinese;
  ResCommModeRadioRef->cells()[0]->setText(caption(Caption::kFlexibleMode, !chinese));
  ResCommModeRadioRef->cells()[1]->setText(caption(Caption::kFixedMode, !chinese));
  SettingButtonRef->setText(caption(Caption::kSettingButton, !chinese));
  ExitButtonRef->setText(caption(Caption::kExit, !chinese));
  // Captions that no Part of the panel's own code owns follow the language too.
  HideButton->setText(caption(Caption::kHide, !chinese));
  HelpButton->setText(caption(Caption::kHelp, !chinese));
  CurrentSettingsButton->setText(caption(Caption::kCurrentSettings, !chinese));
  showLinkState();
  if (captionsChanged) captionsChanged();
}

// A save that failed is said below the link's state until a save works again.
void ViewController::showLinkState() {
  showMonitorState();
  if (saveProblem_.empty()) return;
  const bool chinese = Language.load() == kLanguageChinese;
  StatusLine->setText(
      StatusLine->text() + "\n" +
      caption(Caption::kSettingsNotSaved, !chinese).arg(QString::fromStdString(saveProblem_)));
}

void ViewController::showSaveOutcome(const std::string& problem) {
  saveProblem_ = problem;
  showLinkState();
}

void ViewController::showResolutionOutcome(const std::string& failure, bool changeRefused) {
  resolutionFailure_ = failure;
  resolutionChangeRefused_ = changeRefused;
  showLinkState();
}

void ViewController::followLink() {
  if (MonitorOnline.load() == 1) {
    searchClock_.stop();
  } else if (!searchClock_.isActive()) {
    searchSeconds_ = 0;
    searchClock_.start();
  }
  showLinkState();
}

void ViewController::searchSecondPassed() {
  ++searchSeconds_;
  showLinkState();
}

QString ViewController::searchTime(bool chinese) const {
  if (searchSeconds_ < 60) return caption(Caption::kSeconds, !chinese).arg(searchSeconds_);
  return caption(Caption::kMinutesAndSeconds, !chinese)
      .arg(searchSeconds_ / 60)
      .arg(searchSeconds_ % 60);
}

// Offline, the line says what the last detection found wrong and, from the
// first second on, how long the search has gone on: the pacing of the
// detection and of the start make the first search take some seconds.
void ViewController::showMonitorState() {
  const bool chinese = Language.load() == kLanguageChinese;
  if (MonitorOnline.load() == 1) {
    if (!resolutionFailure_.empty()) {
      const QString reason = QString::fromStdString(resolutionFailure_);
      StatusLine->setText(caption(Caption::kResolutionNotChanged, !chinese).arg(reason));
    } else if (resolutionChangeRefused_) {
      StatusLine->setText(caption(Caption::kResolutionKeptBySession, !chinese));
    } else {
      StatusLine->setText(caption(Caption::kMonitorConnected, !chinese));
    }
    return;
  }
  const DetectionProblem problem = lastDetectionProblem();
  showDetectionProblem(problem, chinese);
  if (const std::string lost = linkLoss(); !lost.empty()) {
    StatusLine->setText(StatusLine->text() + "\n" +
                        caption(Caption::kLinkLost, !chinese).arg(QString::fromStdString(lost)));
  }
  if (searchSeconds_ == 0) return;
  const QString time = searchTime(chinese);
  StatusLine->setText(problem.finished ? StatusLine->text() + "\n" +
                                             caption(Caption::kStillLooking, !chinese).arg(time)
                                       : StatusLine->text() + " " + time);
}

void ViewController::showDetectionProblem(const DetectionProblem& problem, bool chinese) {
  if (!problem.finished) {
    StatusLine->setText(caption(Caption::kLookingForMonitor, !chinese));
    return;
  }
  const QString bus = QString::fromStdString(problem.bus);
  using platform::BusCause;
  switch (problem.cause) {
    case BusCause::kNoAccess:
      StatusLine->setText(caption(Caption::kBusNoAccess, !chinese).arg(bus));
      break;
    case BusCause::kBusy:
      StatusLine->setText(caption(Caption::kBusBusy, !chinese).arg(bus));
      break;
    case BusCause::kNoAnswer:
      StatusLine->setText(caption(Caption::kBusNoAnswer, !chinese).arg(bus));
      break;
    case BusCause::kNoDevice:
      StatusLine->setText(caption(Caption::kNoI2CBuses, !chinese));
      break;
    case BusCause::kUnsupported:
      StatusLine->setText(caption(Caption::kBusUnsupported, !chinese).arg(bus));
      break;
    case BusCause::kNone:
      StatusLine->setText(caption(Caption::kNoMonitorDetected, !chinese));
      break;
  }
}

void ViewController::ChangeResModeRadio() {
  ResCommModeRadioRef->selectCellAtRow(ResCommMode.load() == 1 ? 0 : 1, 0);
}

void ViewController::EnableModeButton() {
  A5ButtonRef->setEnabled(true);
  A2ButtonRef->setEnabled(true);
  A16ButtonRef->setEnabled(true);
}

QPushButton* ViewController::buttonFor(ModeButton button) const {
  switch (button) {
    case ModeButton::kA5:
      return A5ButtonRef;
    case ModeButton::kA2:
      return A2ButtonRef;
    case ModeButton::kA16:
      break;
  }
  return A16ButtonRef;
}

void ViewController::setModeCaptions(uint8_t resolutionMode) {
  for (const ModeRow& row : modeRows()) {
    if (row.resolutionMode == resolutionMode) buttonFor(row.button)->setText(row.buttonCaption);
  }
}

void ViewController::ChangeModeButton() {
  EnableModeButton();
  if (const ModeRow* row = modeRow(ShowMode.load())) buttonFor(row->button)->setEnabled(false);
  setModeCaptions(ResCommMode.load());
}

void ViewController::switchMode(ModeButton pressed) {
  if (MonitorOnline.load() == 0) {
    pop_out_warning_window();
    return;
  }
  const ModeRow* current = modeRow(ShowMode.load());
  const bool leavesA16 = current != nullptr && current->button == ModeButton::kA16;
  if (pressed != ModeButton::kA16 && leavesA16) platform::app().sleepFor(0.5);
  const uint8_t resolution = ResCommMode.load();
  if (resolution != 1 && resolution != 2) {
    consoleLine("unknown ResCommMode(%d).\n", resolution);
    return;
  }
  const ModeRow& row = *modeRow(showModeOf(pressed, resolution));
  QPushButton* button = buttonFor(pressed);
  EnableModeButton();
  button->setEnabled(false);
  consoleLine("%s", row.panelTrace);
  requestShowMode(row.showMode);
  platform::app().sleepFor(1.0);
  saveParameterFile();
  if (base::profile().modeActionDisablesButtonAgain) button->setEnabled(false);
}

void ViewController::A2Action() {
  switchMode(ModeButton::kA2);
}

void ViewController::A5Action() {
  switchMode(ModeButton::kA5);
}

void ViewController::A16Action() {
  switchMode(ModeButton::kA16);
}

void ViewController::WorkModeRadioAction() {
  if (MonitorOnline.load() == 0) {
    pop_out_warning_window();
    return;
  }
  const int row = ResCommModeRadioRef->selectedRow();
  if (row == 0 || row == 1) {
    consoleLine("%s", resolutionRowTrace(static_cast<uint8_t>(row + 1)));
    setModeCaptions(static_cast<uint8_t>(row + 1));
    if (!requestResolutionMode(static_cast<uint8_t>(row + 1)).taken) {
      // The desktop kept the display mode: the row and captions go back.
      ChangeResModeRadio();
      setModeCaptions(ResCommMode.load());
      showLinkState();
      return;
    }
  } else {
    resendResolutionMode();
  }
  saveParameterFile();
  showLinkState();
}

void ViewController::HelpButtonAction() {
  consoleLine("ssss Language is %d.\n", Language.load());
}

void ViewController::HideAction() {
  consoleLine("Call HideAction.\n");
  platform::app().miniaturizeAll();
}

void ViewController::ExitAction() {
  consoleLine("Call ExitAction .\n");
  quitProgram();
}

// One Settings dialog at a time: a second request brings the open one forward.
void ViewController::presentSettings() {
  if (settings_ != nullptr) {
    settings_->raise();
    settings_->activateWindow();
    return;
  }
  settings_ = new SettingViewController(window());
  settings_->setAttribute(Qt::WA_DeleteOnClose);
  settings_->open();
}

void ViewController::presentCurrentSettings() {
  auto* dialog = new CurrentSettingsViewController(window());
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
}

void ViewController::presentHelp() {
  auto* dialog = new HelpViewController(window());
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
}
