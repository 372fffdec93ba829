#include "platform/qt/program_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace platform::qt {

// The same drawing as packaging/quillmark-control.svg, on its 64-unit grid.
QImage renderProgramIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 64.0, size / 64.0);
  painter.setPen(Qt::NoPen);
  const QColor frame("#2b2b2b");
  painter.setBrush(frame);
  painter.drawRoundedRect(QRectF(6, 8, 52, 40), 3, 3);
  painter.drawRect(QRectF(26, 48, 12, 6));
  painter.drawRoundedRect(QRectF(18, 54, 28, 3), 1, 1);
  painter.setBrush(QColor("#ecebe2"));
  painter.drawRect(QRectF(10, 12, 44, 32));
  QPainterPath mountain;
  mountain.moveTo(14, 38);
  for (const QPointF& point :
       {QPointF(24, 22), QPointF(32, 32), QPointF(38, 26), QPointF(50, 38)}) {
    mountain.lineTo(point);
  }
  mountain.closeSubpath();
  painter.setBrush(QColor("#555555"));
  painter.drawPath(mountain);
  return image;
}

QIcon programIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    icon.addPixmap(QPixmap::fromImage(renderProgramIcon(size)));
  }
  return icon;
}

}  // namespace platform::qt
