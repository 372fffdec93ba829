#include "emulator/eink_panel.h"

#include <QFont>
#include <QPainter>
#include <algorithm>

namespace emulator {
namespace {

constexpr QSize kFixedSize(1100, 825);
constexpr int kMaxSide = 2200;

QImage captioned(QSize size, int ground, int ink, const QString& caption, Qt::Alignment where) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(QColor(ground, ground, ground));
  QPainter painter(&image);
  QFont font("DejaVu Sans");
  font.setPixelSize(std::max(10, size.height() / 24));
  painter.setFont(font);
  painter.setPen(QColor(ink, ink, ink));
  const int margin = size.height() / 20;
  painter.drawText(QRect(QPoint(0, 0), size).adjusted(margin, margin, -margin, -margin), where,
                   caption);
  painter.end();
  return image.convertToFormat(QImage::Format_Grayscale8);
}

// a x (100 - percent) + b x percent, pixel by pixel, for images of one size.
QImage blended(const QImage& a, const QImage& b, int percent) {
  QImage out(a.size(), QImage::Format_Grayscale8);
  for (int y = 0; y < a.height(); ++y) {
    const uchar* rowA = a.constScanLine(y);
    const uchar* rowB = b.constScanLine(y);
    uchar* row = out.scanLine(y);
    for (int x = 0; x < a.width(); ++x) {
      row[x] = static_cast<uchar>((rowA[x] * (100 - percent) + rowB[x] * percent + 50) / 100);
    }
  }
  return out;
}

}  // namespace

PanelInput panelInputFor(Model model, const DeviceState& state, const DisplaySettings& display) {
  PanelInput input;
  input.drawing = drawingFor(model, state);
  QSize size = state.resolutionMode == 2
                   ? kFixedSize
                   : QSize(static_cast<int>(display.width), static_cast<int>(display.height));
  if (size.width() > kMaxSide || size.height() > kMaxSide) {
    size = size.scaled(kMaxSide, kMaxSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
  }
  input.size = size;
  input.screenSaved = state.screenSaved;
  input.turnedOff = state.turnedOff;
  input.plugged = display.plugged;
  input.clears = state.clears;
  return input;
}

EinkPanel::EinkPanel(std::function<QImage(QSize)> picture) : picture_(std::move(picture)) {}

QImage EinkPanel::render(const PanelInput& input) {
  if (!input.plugged) {
    return captioned(input.size, 40, 220, "no signal", Qt::AlignCenter);
  }
  if (input.turnedOff) {
    return captioned(input.size, 40, 160, "turned off", Qt::AlignCenter);
  }
  if (input.screenSaved) {
    return captioned(input.size, 255, 150, "saving", Qt::AlignRight | Qt::AlignBottom);
  }
  return drawAs(pictureAt(input.size), input.drawing);
}

const QImage& EinkPanel::pictureAt(QSize size) {
  constexpr size_t kKept = 3;
  const auto kept = std::find_if(pictures_.begin(), pictures_.end(),
                                 [size](const auto& picture) { return picture.first == size; });
  if (kept != pictures_.end()) {
    std::rotate(pictures_.begin(), kept, kept + 1);
  } else {
    pictures_.emplace_front(size, picture_(size));
    if (pictures_.size() > kKept) pictures_.pop_back();
  }
  return pictures_.front().second;
}

// A partial update: the new picture comes in over the old one and leaves its ghost.
void EinkPanel::update(const PanelInput& input, uint64_t nowMs) {
  QImage before = input_ ? frame(nowMs) : QImage();
  target_ = render(input);
  if (!before.isNull() && before.size() != target_.size()) {
    before = before.scaled(target_.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                 .convertToFormat(QImage::Format_Grayscale8);
  }
  ghost_ = before;
  updateStartMs_ = nowMs;
  clearing_ = false;
  settled_ = QImage();
}

void EinkPanel::setPicture(std::function<QImage(QSize)> picture, uint64_t nowMs) {
  picture_ = std::move(picture);
  pictures_.clear();
  if (input_) update(*input_, nowMs);
}

void EinkPanel::show(const PanelInput& input, uint64_t nowMs) {
  PanelInput drawn = input;
  if (input_) drawn.clears = input_->clears;
  if (drawn != input_) update(input, nowMs);
  if (input_ && input.clears != input_->clears) {
    ghost_ = QImage();
    clearing_ = true;
    clearStartMs_ = nowMs;
    settled_ = QImage();
  }
  input_ = input;
}

QImage EinkPanel::frame(uint64_t nowMs) const {
  if (clearing_ && nowMs - clearStartMs_ < kClearMs) {
    QImage flash(target_.size(), QImage::Format_Grayscale8);
    flash.fill(nowMs - clearStartMs_ < kClearMs / 2 ? Qt::black : Qt::white);
    return flash;
  }
  if (ghost_.isNull()) return target_;
  const uint64_t elapsed = nowMs - updateStartMs_;
  if (elapsed >= kUpdateMs) {
    if (settled_.isNull()) settled_ = blended(target_, ghost_, kGhostPercent);
    return settled_;
  }
  const int percent = 100 - static_cast<int>((100 - kGhostPercent) * elapsed / kUpdateMs);
  return blended(target_, ghost_, percent);
}

bool EinkPanel::changing(uint64_t nowMs) const {
  return (clearing_ && nowMs - clearStartMs_ < kClearMs) ||
         (!ghost_.isNull() && nowMs - updateStartMs_ < kUpdateMs);
}

}  // namespace emulator
