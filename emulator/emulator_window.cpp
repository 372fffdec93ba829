#include "emulator/emulator_window.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>

#include "emulator/emulator_console.h"
#include "emulator/preview_widget.h"
#include "emulator/test_picture.h"

namespace emulator {
namespace {

QString statusText(Model model, const DeviceState& state, const DisplaySettings& display) {
  const Drawing drawing = drawingFor(model, state);
  QStringList parts{QString::fromStdString(modeName(state.showMode))};
  if (drawing.look == Look::Floyd) {
    parts << QString("level %1").arg(drawing.threshold);
  } else if (drawing.look != Look::SixteenGreys) {
    parts << QString("threshold %1 (%2 to %3), level %4")
                 .arg(drawing.threshold)
                 .arg(drawing.windowLow)
                 .arg(drawing.windowHigh)
                 .arg(levelOf(thresholdWindow(model, state.showMode), drawing.threshold));
  }
  parts << (state.resolutionMode == 2
                ? QString("1100 × 825")
                : QString("flexible %1 × %2").arg(display.width).arg(display.height));
  parts << (!display.plugged    ? "unplugged"
            : state.turnedOff   ? "turned off"
            : state.screenSaved ? "screen saved"
                                : "on");
  return parts.join("  ·  ");
}

// The picture drawn at each size: the test picture, or the given one fitted.
std::function<QImage(QSize)> pictureSource(const QImage& picture) {
  return [picture](QSize size) {
    return picture.isNull() ? makeTestPicture(size) : fitted(picture, size);
  };
}

const char* const kIllustration =
    "An illustration of what each update mode does to a picture, not a measurement of the panel. "
    "Drop a picture here to see it instead.";

}  // namespace

EmulatorWindow::EmulatorWindow(QuillmarkMonitor& monitor, EmulatorServer& server,
                               const QImage& picture)
    : monitor_(monitor), server_(server) {
  setWindowTitle(monitor.model() == Model::Alto ? "Quillmark Alto emulator"
                                                : "Quillmark Tenor emulator");
  auto* layout = new QVBoxLayout(this);
  setAcceptDrops(true);
  preview_ = new PreviewWidget(pictureSource(picture));
  layout->addWidget(preview_, 1);
  status_ = new QLabel;
  QFont bold = status_->font();
  bold.setBold(true);
  status_->setFont(bold);
  layout->addWidget(status_);
  note_ = new QLabel(kIllustration);
  note_->setWordWrap(true);
  note_->setForegroundRole(QPalette::PlaceholderText);
  layout->addWidget(note_);

  auto* keys = new QHBoxLayout;
  keys->addWidget(new QLabel("The monitor's keys:"));
  for (int key = 0; key < 3; ++key) {
    modeKeys_[key] = new QPushButton;
    connect(modeKeys_[key], &QPushButton::clicked, this,
            [this, key] { runCommand("mode " + std::to_string(key + 1)); });
    modeKeys_[key]->setToolTip(QString("The monitor's mode key %1: it switches and tells the "
                                       "program, which follows")
                                   .arg(key + 1));
    keys->addWidget(modeKeys_[key]);
  }
  contrastDown_ = new QPushButton("Contrast −");
  contrastUp_ = new QPushButton("Contrast +");
  connect(contrastDown_, &QPushButton::clicked, this, [this] { runCommand("contrast down"); });
  connect(contrastUp_, &QPushButton::clicked, this, [this] { runCommand("contrast up"); });
  contrastDown_->setToolTip(
      "One of the monitor's nine contrast levels down, reported to the program as the monitor "
      "does");
  contrastUp_->setToolTip(
      "One of the monitor's nine contrast levels up, reported to the program as the monitor does");
  keys->addWidget(contrastDown_);
  keys->addWidget(contrastUp_);
  auto* wake = new QPushButton("Wake");
  wake->setToolTip("A key pressed while the screen is saved: the monitor wakes and says so");
  connect(wake, &QPushButton::clicked, this, [this] { runCommand("wake"); });
  keys->addWidget(wake);
  unplug_ = new QPushButton("Unplug");
  unplug_->setToolTip("Pull the cable, or put it back: the display goes away and comes back");
  connect(unplug_, &QPushButton::clicked, this,
          [this] { runCommand(server_.settings().plugged ? "unplug" : "plug"); });
  keys->addWidget(unplug_);
  keys->addStretch();
  layout->addLayout(keys);

  layout->addWidget(new QLabel("On the wire, newest last:"));
  wire_ = new QLabel;
  wire_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  wire_->setTextFormat(Qt::PlainText);
  wire_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // A new message must not lay the window out again, nor repaint the panel.
  wire_->setFixedHeight(wire_->fontMetrics().lineSpacing() * 6 + 4);
  wire_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  layout->addWidget(wire_);
  sync();
}

void EmulatorWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() == 1 && urls.first().isLocalFile()) event->acceptProposedAction();
}

void EmulatorWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() != 1 || !urls.first().isLocalFile()) return;
  const QString path = urls.first().toLocalFile();
  QImage picture;
  QString why;
  if (!loadPicture(path, picture, why)) {
    note_->setText(QString("Cannot show %1: %2. %3").arg(path, why, kIllustration));
    return;
  }
  note_->setText(kIllustration);
  preview_->setPicture(pictureSource(picture));
  event->acceptProposedAction();
  shown_.reset();  // so that the status line tells of the ghost the picture came in over
  sync();
}

void EmulatorWindow::noteMessage(const WireRecord& record) {
  QMetaObject::invokeMethod(
      this,
      [this, text = describe(record)] {
        if (messages_.add(text)) {
          QStringList lines;
          for (const std::string& line : messages_.lines()) lines << QString::fromStdString(line);
          wire_->setText(lines.join('\n'));
        }
        sync();
      },
      Qt::QueuedConnection);
}

void EmulatorWindow::noteChange() {
  QMetaObject::invokeMethod(
      this, [this] { sync(); }, Qt::QueuedConnection);
}

void EmulatorWindow::runCommand(const std::string& command) {
  std::string error;
  bool quit = false;
  runConsoleCommand(server_, monitor_, command, error, quit);
  sync();
}

void EmulatorWindow::sync() {
  const DeviceState state = monitor_.state();
  const DisplaySettings display = server_.settings();
  const PanelInput input = panelInputFor(monitor_.model(), state, display);
  if (shown_ == input) return;
  shown_ = input;
  preview_->show(input);
  status_->setText(statusText(monitor_.model(), state, display) +
                   (preview_->ghosted() ? "  ·  a ghost of the picture before: refresh" : ""));
  const bool fixed = state.resolutionMode == 2;
  const char* names[] = {fixed ? "A5" : "Floyd", "A2", "A16"};
  for (int key = 0; key < 3; ++key) modeKeys_[key]->setText(names[key]);
  const bool hasThreshold = input.drawing.look != Look::SixteenGreys;
  contrastDown_->setEnabled(hasThreshold);
  contrastUp_->setEnabled(hasThreshold);
  unplug_->setText(display.plugged ? "Unplug" : "Plug");
}

}  // namespace emulator
