#include "emulator/preview_widget.h"

#include <QPainter>

namespace emulator {

PreviewWidget::PreviewWidget(std::function<QImage(QSize)> picture, QWidget* parent)
    : QWidget(parent), panel_(std::move(picture)) {
  clock_.start();
  tick_.setInterval(100);  // e-ink moves in steps; ten a second is plenty
  connect(&tick_, &QTimer::timeout, this, [this] {
    if (!panel_.changing(nowMs())) tick_.stop();
    stale_ = true;
    update();
  });
  setMinimumSize(330, 248);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PreviewWidget::show(const PanelInput& input) {
  panel_.show(input, nowMs());
  moved();
}

void PreviewWidget::setPicture(std::function<QImage(QSize)> picture) {
  panel_.setPicture(std::move(picture), nowMs());
  moved();
}

void PreviewWidget::moved() {
  stale_ = true;
  if (panel_.changing(nowMs())) tick_.start();
  update();
}

QSize PreviewWidget::sizeHint() const {
  return {720, 540};
}

void PreviewWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(52, 52, 56));  // the bezel
  const QSize room = (rect().size() - QSize(16, 16)).expandedTo(QSize(1, 1));
  if (stale_ || (painted_.size() != painted_.size().scaled(room, Qt::KeepAspectRatio))) {
    const QImage frame = panel_.frame(nowMs());
    if (frame.isNull()) return;
    painted_ = frame.scaled(frame.size().scaled(room, Qt::KeepAspectRatio), Qt::IgnoreAspectRatio,
                            Qt::SmoothTransformation);
    stale_ = false;
  }
  painter.drawImage(QPoint((width() - painted_.width()) / 2, (height() - painted_.height()) / 2),
                    painted_);
}

}  // namespace emulator
