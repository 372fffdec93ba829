#include "emulator/eink_render.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace emulator {
namespace {

using Table = std::array<uint8_t, 256>;

Look lookOf(uint8_t showMode) {
  switch (showMode) {
    case 1:
      return Look::Floyd;
    case 2:
    case 5:
      return Look::TwoLevels;
    case 4:
      return Look::FiveGreys;
    default:
      return Look::SixteenGreys;
  }
}

Table twoLevels(int threshold) {
  Table table{};
  for (int grey = 0; grey < 256; ++grey) table[grey] = grey < threshold ? 0 : 255;
  return table;
}

// Four cuts a quarter of the window apart, centred on the threshold and kept
// inside the window: a higher threshold darkens every level.
Table fiveGreys(const Drawing& drawing) {
  const double quarter = (drawing.windowHigh - drawing.windowLow) / 4.0;
  std::array<int, 4> cuts{};
  for (int k = 0; k < 4; ++k) {
    cuts[k] = std::clamp(static_cast<int>(std::lround(drawing.threshold + (k - 1.5) * quarter)),
                         drawing.windowLow, drawing.windowHigh);
  }
  Table table{};
  for (int grey = 0; grey < 256; ++grey) {
    const int level = static_cast<int>(
        std::count_if(cuts.begin(), cuts.end(), [grey](int cut) { return grey >= cut; }));
    table[grey] = static_cast<uint8_t>(level * 255 / 4);
  }
  return table;
}

Table sixteenGreys() {
  Table table{};
  for (int grey = 0; grey < 256; ++grey)
    table[grey] = static_cast<uint8_t>((grey * 15 + 127) / 255 * 17);
  return table;
}

QImage mapped(const QImage& picture, const Table& table) {
  QImage out(picture.size(), QImage::Format_Grayscale8);
  for (int y = 0; y < picture.height(); ++y) {
    const uchar* in = picture.constScanLine(y);
    uchar* row = out.scanLine(y);
    for (int x = 0; x < picture.width(); ++x) row[x] = table[in[x]];
  }
  return out;
}

// Floyd-Steinberg error diffusion to black and white; each level above the
// middle one darkens the input by a step, each below lightens it.
QImage diffused(const QImage& picture, int level) {
  const int bias = (5 - std::clamp(level, 1, 9)) * 20;
  const int width = picture.width();
  QImage out(picture.size(), QImage::Format_Grayscale8);
  // Errors in sixteenths, with a cell of margin on each side.
  std::vector<int> current(width + 2, 0), next(width + 2, 0);
  for (int y = 0; y < picture.height(); ++y) {
    const uchar* in = picture.constScanLine(y);
    uchar* row = out.scanLine(y);
    std::fill(next.begin(), next.end(), 0);
    for (int x = 0; x < width; ++x) {
      const int value = in[x] + bias + current[x + 1] / 16;
      const int shown = value < 128 ? 0 : 255;
      row[x] = static_cast<uchar>(shown);
      const int error = value - shown;
      current[x + 2] += error * 7;
      next[x] += error * 3;
      next[x + 1] += error * 5;
      next[x + 2] += error;
    }
    std::swap(current, next);
  }
  return out;
}

}  // namespace

Drawing drawingFor(Model model, const DeviceState& state) {
  const ThresholdWindow window = thresholdWindow(model, state.showMode);
  return {lookOf(state.showMode), thresholdInForce(model, state), window.low, window.high};
}

QImage drawAs(const QImage& picture, const Drawing& drawing) {
  const QImage grey = picture.format() == QImage::Format_Grayscale8
                          ? picture
                          : picture.convertToFormat(QImage::Format_Grayscale8);
  switch (drawing.look) {
    case Look::Floyd:
      return diffused(grey, drawing.threshold);
    case Look::TwoLevels:
      return mapped(grey, twoLevels(drawing.threshold));
    case Look::FiveGreys:
      return mapped(grey, fiveGreys(drawing));
    case Look::SixteenGreys:
      break;
  }
  return mapped(grey, sixteenGreys());
}

}  // namespace emulator
