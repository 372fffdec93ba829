#include "emulator/emulator_window.h"

#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace emulator {
namespace {

const char* modeName(uint8_t mode) {
  static const char* kNames[] = {"?",          "Floyd",      "A2",         "A16",
                                 "A5 (fixed)", "A2 (fixed)", "A16 (fixed)"};
  return mode <= 6 ? kNames[mode] : "?";
}

// The monitor's threshold register that the current mode uses.
int thresholdTypeForMode(uint8_t mode) {
  switch (mode) {
    case 1:
      return 8;
    case 2:
      return 9;
    case 4:
      return 11;
    case 5:
      return 10;
    default:
      return 0;
  }
}

}  // namespace

EmulatorWindow::EmulatorWindow(QuillmarkMonitor& monitor, EmulatorServer& server)
    : monitor_(monitor), server_(server) {
  setWindowTitle(monitor.model() == Model::Alto ? "Quillmark Alto emulator"
                                                : "Quillmark Tenor emulator");
  auto* layout = new QVBoxLayout(this);
  panel_ = new QFrame;
  panel_->setFrameShape(QFrame::Box);
  panel_->setAutoFillBackground(true);
  panel_->setMinimumSize(320, 160);
  auto* status = new QFormLayout(panel_);
  mode_ = new QLabel;
  threshold_ = new QLabel;
  resolution_ = new QLabel;
  screen_ = new QLabel;
  heartbeat_ = new QLabel;
  status->addRow("E-ink mode:", mode_);
  status->addRow("Threshold:", threshold_);
  status->addRow("Resolution:", resolution_);
  status->addRow("Screen:", screen_);
  status->addRow("Link:", heartbeat_);
  layout->addWidget(panel_);

  auto* buttons = new QGridLayout;
  for (int data = 1; data <= 6; ++data) {
    auto* button = new QPushButton(QString("Mode %1").arg(data));
    connect(button, &QPushButton::clicked, this,
            [this, data] { runCommand("mode " + std::to_string(data)); });
    buttons->addWidget(button, (data - 1) / 3, (data - 1) % 3);
  }
  auto* wake = new QPushButton("Wake");
  connect(wake, &QPushButton::clicked, this, [this] { runCommand("wake"); });
  buttons->addWidget(wake, 2, 0);
  auto* unplug = new QPushButton("Unplug");
  unplug->setCheckable(true);
  connect(unplug, &QPushButton::toggled, this,
          [this](bool on) { runCommand(on ? "unplug" : "plug"); });
  buttons->addWidget(unplug, 2, 1);
  layout->addLayout(buttons);

  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, [this] { refresh(); });
  timer->start(100);
  refresh();
}

void EmulatorWindow::runCommand(const std::string& command) {
  std::string error;
  bool quit = false;
  server_.command(command, error, quit);
}

void EmulatorWindow::refresh() {
  const MonitorState state = monitor_.state();
  const DisplaySettings display = server_.settings();
  mode_->setText(modeName(state.showMode));
  const int type = thresholdTypeForMode(state.showMode);
  threshold_->setText(type == 0                     ? "none in this mode"
                      : state.thresholds[type] == 0 ? "not sent yet"
                                                    : QString::number(state.thresholds[type]));
  resolution_->setText(QString("%1 (%2 x %3)")
                           .arg(state.resolutionMode == 2 ? "fixed 1100x825" : "flexible")
                           .arg(display.width)
                           .arg(display.height));
  screen_->setText(!display.plugged ? "unplugged" : state.screenSaved ? "screen saved" : "on");
  if (state.heartbeats != lastHeartbeats_) {
    lastHeartbeats_ = state.heartbeats;
    heartbeat_->setText(QString("heartbeat %1").arg(state.heartbeats));
  }
  if (state.clears != lastClears_) {
    lastClears_ = state.clears;
    flashTicks_ = 3;  // a clean-blur refresh flashes the panel
  }
  QPalette palette = panel_->palette();
  palette.setColor(QPalette::Window, flashTicks_ > 0     ? Qt::black
                                     : state.screenSaved ? QColor(90, 90, 90)
                                                         : QColor(236, 234, 226));
  palette.setColor(QPalette::WindowText, flashTicks_ > 0 ? Qt::white : Qt::black);
  panel_->setPalette(palette);
  if (flashTicks_ > 0) --flashTicks_;
}

}  // namespace emulator
