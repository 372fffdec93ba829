#include "emulator/preview_widget.h"

#include <QPainter>

namespace emulator {

PreviewWidget::PreviewWidget(std::function<QImage(QSize)> picture, QWidget* parent)
    : QWidget(parent), panel_(std::move(picture)) {
  clock_.start();
  tick_.setInterval(33);
  connect(&tick_, &QTimer::timeout, this, [this] {
    if (!panel_.changing(nowMs())) tick_.stop();
    update();
  });
  setMinimumSize(330, 248);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PreviewWidget::show(const PanelInput& input) {
  panel_.show(input, nowMs());
  if (panel_.changing(nowMs())) tick_.start();
  update();
}

QSize PreviewWidget::sizeHint() const {
  return {720, 540};
}

void PreviewWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(52, 52, 56));  // the bezel
  const QImage frame = panel_.frame(nowMs());
  if (frame.isNull()) return;
  const QSize fitted = frame.size().scaled(rect().size() - QSize(16, 16), Qt::KeepAspectRatio);
  const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                     fitted);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, frame);
}

}  // namespace emulator
