#include "emulator/preview_widget.h"

#include <QMouseEvent>
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
  setToolTip("Hold a mouse button on the panel for a loupe with its own pixels");
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
  // Scaled in device pixels, so that a high-density screen shows every dot.
  const qreal ratio = devicePixelRatioF();
  const QSize room = ((rect().size() - QSize(16, 16)) * ratio).expandedTo(QSize(1, 1));
  if (stale_ || painted_.devicePixelRatio() != ratio ||
      painted_.size() != painted_.size().scaled(room, Qt::KeepAspectRatio)) {
    const QImage frame = panel_.frame(nowMs());
    if (frame.isNull()) return;
    painted_ = frame.scaled(frame.size().scaled(room, Qt::KeepAspectRatio), Qt::IgnoreAspectRatio,
                            Qt::SmoothTransformation);
    painted_.setDevicePixelRatio(ratio);
    stale_ = false;
  }
  const QSizeF shown = painted_.deviceIndependentSize();
  const QRectF shownAt(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2),
                       shown);
  painter.drawImage(shownAt.topLeft(), painted_);
  if (loupe_) paintLoupe(painter, shownAt);
}

void PreviewWidget::paintLoupe(QPainter& painter, const QRectF& shownAt) {
  constexpr int kSide = 240;  // logical pixels, each panel pixel two of them
  const QImage frame = panel_.frame(nowMs());
  const QPointF spot((loupe_->x() - shownAt.left()) / shownAt.width() * frame.width(),
                     (loupe_->y() - shownAt.top()) / shownAt.height() * frame.height());
  const QRectF source(spot - QPointF(kSide / 4.0, kSide / 4.0), QSizeF(kSide / 2.0, kSide / 2.0));
  const QRectF box(*loupe_ - QPointF(kSide / 2.0, kSide / 2.0), QSizeF(kSide, kSide));
  painter.fillRect(box, QColor(52, 52, 56));
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(box, frame, source);
  painter.setPen(QPen(QColor(200, 60, 40), 2));
  painter.drawRect(box);
}

void PreviewWidget::mousePressEvent(QMouseEvent* event) {
  loupe_ = event->position();
  update();
}

void PreviewWidget::mouseMoveEvent(QMouseEvent* event) {
  if (!loupe_) return;
  loupe_ = event->position();
  update();
}

void PreviewWidget::mouseReleaseEvent(QMouseEvent*) {
  loupe_.reset();
  update();
}

}  // namespace emulator
