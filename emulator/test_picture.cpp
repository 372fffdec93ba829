#include "emulator/test_picture.h"

#include <QFileInfo>
#include <QFont>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace emulator {
namespace {

constexpr qint64 kMaxFileBytes = 64ll << 20;
constexpr qint64 kMaxPixels = 64ll << 20;

// Smooth value noise from a hashed lattice, in 0..1.
double lattice(int x, int y) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

double noise(double x, double y) {
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const double top = lattice(x0, y0) + (lattice(x0 + 1, y0) - lattice(x0, y0)) * sx;
  const double bottom = lattice(x0, y0 + 1) + (lattice(x0 + 1, y0 + 1) - lattice(x0, y0 + 1)) * sx;
  return top + (bottom - top) * sy;
}

double fractal(double x, double y, int octaves) {
  double sum = 0, amplitude = 0.5, total = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += noise(x, y) * amplitude;
    total += amplitude;
    x *= 2.03;
    y *= 2.03;
    amplitude *= 0.5;
  }
  return sum / total;
}

uchar grey(double value) {
  return static_cast<uchar>(std::clamp(value, 0.0, 255.0));
}

// Sky with clouds, two mountain ranges and a lake that mirrors them, pixel by pixel.
void paintLandscape(QImage& image, const QRect& room) {
  const QRect area = room.intersected(image.rect());
  if (area.isEmpty()) return;
  const double scale = area.height();
  const int horizon = area.top() + area.height() * 62 / 100;
  // The ridges' heights, once per column.
  std::vector<double> farRidge(area.width()), nearRidge(area.width());
  for (int column = 0; column < area.width(); ++column) {
    const double u = column / scale;
    farRidge[column] = 0.38 + 0.16 * fractal(u * 3.0, 7.1, 5);
    nearRidge[column] = 0.50 + 0.12 * fractal(u * 5.0 + 11.0, 3.7, 6);
  }
  for (int y = area.top(); y <= area.bottom(); ++y) {
    uchar* row = image.scanLine(y);
    for (int x = area.left(); x <= area.right(); ++x) {
      const double u = (x - area.left()) / scale, v = (y - area.top()) / scale;
      const bool water = y > horizon;
      // The lake shows the scene above the horizon, rippled.
      const double mirrorV = water ? (2.0 * (horizon - area.top()) - (y - area.top())) / scale : v;
      const double ripple = water ? (noise(u * 40, v * 260) - 0.5) * 0.012 : 0;
      const double su = u + ripple;
      const int column = std::clamp(static_cast<int>(su * scale), 0, area.width() - 1);
      const double far = farRidge[column], near = nearRidge[column];
      double value;
      if (mirrorV > near) {
        value = 115 + 95 * fractal(su * 60, mirrorV * 60, 3);  // forest: fine texture
      } else if (mirrorV > far) {
        value = 185 + 50 * fractal(su * 12, mirrorV * 12, 4) - (mirrorV - far) * 100;
      } else {
        const double cloud = std::max(0.0, fractal(su * 4, mirrorV * 9, 5) - 0.45) * 2.2;
        value = 200 + 30 * mirrorV / far + 45 * cloud;
      }
      if (water) value = value * 0.85 + 12 + 30 * (noise(u * 30, v * 400) - 0.5);
      row[x] = grey(value);
    }
  }
}

void paintText(QPainter& painter, const QRect& area, double unit) {
  painter.setPen(Qt::black);
  QFont font("DejaVu Sans");
  int y = area.top();
  const int sizes[] = {52, 32, 22, 17, 14, 11, 8};
  const char* lines[] = {"Quillmark e-ink",
                         "Sharp text, soft greys",
                         "The quick brown fox jumps over the lazy dog",
                         "0123456789 ABCDEFGHIJKLM abcdefghijklm",
                         "Pack my box with five dozen liquor jugs.",
                         "Small print shows where a threshold eats thin strokes.",
                         "Eight pixels: every mode keeps or loses these."};
  for (int i = 0; i < 7; ++i) {
    font.setPixelSize(std::max(6, static_cast<int>(sizes[i] * unit)));
    font.setBold(i == 0);
    painter.setFont(font);
    y += painter.fontMetrics().height();
    if (y > area.bottom()) break;
    painter.drawText(area.left(), y, lines[i]);
    y += static_cast<int>(4 * unit);
  }
}

// A zone plate: rings ever finer toward the edge, where every mode shows its limits.
void paintZonePlate(QImage& image, const QRect& room) {
  const QRect area = room.intersected(image.rect());
  if (area.isEmpty()) return;
  const double cx = area.center().x(), cy = area.center().y();
  const double radius = std::min(area.width(), area.height()) / 2.0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    uchar* row = image.scanLine(y);
    for (int x = area.left(); x <= area.right(); ++x) {
      const double r = std::hypot(x - cx, y - cy) / radius;
      if (r <= 1) row[x] = grey(127.5 + 127.5 * std::cos(r * r * 90.0));
    }
  }
}

}  // namespace

QImage makeTestPicture(QSize size) {
  QImage image(size, QImage::Format_Grayscale8);
  image.fill(Qt::white);
  const int w = size.width(), h = size.height();
  const double unit = std::max(0.5, std::min(w / 1100.0, h / 825.0));
  // A ramp from black to white across the top, and a wedge of sixteen steps below it.
  const int rampHeight = h * 8 / 100, wedgeHeight = h * 5 / 100;
  for (int y = 0; y < rampHeight + wedgeHeight; ++y) {
    uchar* row = image.scanLine(y);
    for (int x = 0; x < w; ++x) {
      const int ramp = x * 255 / std::max(1, w - 1);
      row[x] = static_cast<uchar>(y < rampHeight ? ramp : (x * 16 / w) * 17);
    }
  }
  const int top = rampHeight + wedgeHeight + h / 50;
  const QRect text(w / 40, top, w * 45 / 100, h * 42 / 100);
  const QRect plate(text.left(), text.bottom() + h / 40, text.width(), h - text.bottom() - h / 20);
  const QRect landscape(w / 2, top, w - w / 2 - w / 40, h - top - h / 40);
  paintLandscape(image, landscape);
  paintZonePlate(image, QRect(plate.left(), plate.top(), plate.height(), plate.height()));
  QImage canvas = image.convertToFormat(QImage::Format_RGB32);
  QPainter painter(&canvas);
  painter.setRenderHint(QPainter::Antialiasing);
  paintText(painter, text, unit);
  // A sun, and beside the zone plate the same text at small sizes on grey ground.
  const QPointF sun(landscape.left() + landscape.width() * 0.78,
                    landscape.top() + landscape.height() * 0.18);
  QRadialGradient glow(sun, landscape.height() * 0.09);
  glow.setColorAt(0, QColor(250, 250, 250));
  glow.setColorAt(0.6, QColor(235, 235, 235));
  glow.setColorAt(1, QColor(235, 235, 235, 0));
  painter.setPen(Qt::NoPen);
  painter.setBrush(glow);
  painter.drawEllipse(sun, landscape.height() * 0.09, landscape.height() * 0.09);
  const QRect greyBox(plate.left() + plate.height() + w / 60, plate.top(),
                      plate.width() - plate.height() - w / 60, plate.height());
  for (int band = 0; band < 4; ++band) {
    const QRect stripe(greyBox.left(), greyBox.top() + band * greyBox.height() / 4, greyBox.width(),
                       greyBox.height() / 4);
    painter.fillRect(stripe, QColor::fromHsv(0, 0, 255 - band * 50));
    painter.setPen(band < 2 ? Qt::black : Qt::white);
    QFont font("DejaVu Sans");
    font.setPixelSize(std::max(6, static_cast<int>(11 * unit)));
    painter.setFont(font);
    painter.drawText(stripe.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::TextWordWrap,
                     "Text on grey: which modes keep it?");
  }
  painter.end();
  return canvas.convertToFormat(QImage::Format_Grayscale8);
}

bool loadPicture(const QString& path, QImage& picture, QString& why) {
  const QFileInfo info(path);
  if (!info.exists()) {
    why = "no such file";
    return false;
  }
  if (!info.isFile()) {
    why = "not a regular file";
    return false;
  }
  if (info.size() > kMaxFileBytes) {
    why = "larger than 64 MiB";
    return false;
  }
  QImageReader reader(path);
  const QSize size = reader.size();
  if (size.isValid() && static_cast<qint64>(size.width()) * size.height() > kMaxPixels) {
    why = "more than 64 megapixels";
    return false;
  }
  QImage image;
  if (!reader.read(&image) || image.isNull()) {
    why = reader.errorString();
    return false;
  }
  if (static_cast<qint64>(image.width()) * image.height() > kMaxPixels) {
    why = "more than 64 megapixels";
    return false;
  }
  picture = image.convertToFormat(QImage::Format_Grayscale8);
  return true;
}

QImage fitted(const QImage& picture, QSize size) {
  const QImage scaled =
      picture.scaled(size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
  const QRect cut(
      QPoint((scaled.width() - size.width()) / 2, (scaled.height() - size.height()) / 2), size);
  return scaled.copy(cut).convertToFormat(QImage::Format_Grayscale8);
}

}  // namespace emulator
