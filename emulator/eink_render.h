#pragma once
// How each of the monitor's update modes turns a grey picture into what the
// e-ink panel shows: the cut at the threshold, the grey levels, the error
// diffusion. An illustration for the emulator's window, on Qt's image types.

#include <QImage>

#include "emulator/quillmark_monitor.h"

namespace emulator {

enum class Look { Floyd, TwoLevels, FiveGreys, SixteenGreys };

// What the monitor draws with: the look of its display mode and the threshold
// it holds for it (a Floyd level 1 to 9, or a value inside the mode's window).
struct Drawing {
  Look look = Look::SixteenGreys;
  int threshold = 0;
  int windowLow = 0;
  int windowHigh = 0;
  bool operator==(const Drawing&) const = default;
};

// Unknown display modes draw as A16, as the monitor falls back to its greys.
Drawing drawingFor(Model model, const DeviceState& state);

// The picture (Grayscale8) drawn as the mode would draw it, at the same size.
QImage drawAs(const QImage& picture, const Drawing& drawing);

}  // namespace emulator
