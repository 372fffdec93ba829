#pragma once
// The emulated monitor's panel over time: the picture drawn by the mode in
// force, the ghost a partial update leaves of what was shown before, the
// flash of a clear that removes it, the blank of a screen save, and the
// panel turned off or without a signal. Time is passed in, so the window
// runs it on the real clock and the tests on their own.
//
// The emulator's preview library (eink_render, eink_panel, test_picture):
// depends on the device model and Qt's image types, never on widgets.

#include <QImage>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

#include "emulator/eink_render.h"
#include "emulator/emulator_server.h"

namespace emulator {

struct PanelInput {
  Drawing drawing;
  QSize size;
  bool screenSaved = false;
  bool turnedOff = false;
  bool plugged = true;
  uint32_t clears = 0;
  bool operator==(const PanelInput&) const = default;
};

// The picture's size: 1100x825 in the fixed resolution mode, else the
// display mode the computer set, scaled down to at most 2200 pixels a side.
PanelInput panelInputFor(Model model, const DeviceState& state, const DisplaySettings& display);

class EinkPanel {
 public:
  static constexpr uint64_t kUpdateMs = 1500;  // a partial update settles
  static constexpr uint64_t kClearMs = 400;    // a clear's black and white flash
  static constexpr int kGhostPercent = 20;     // what a settled update leaves of the picture before

  // The picture to draw at a size; the last few sizes' are kept, as the
  // resolution modes go back and forth.
  explicit EinkPanel(std::function<QImage(QSize)> picture);

  void show(const PanelInput& input, uint64_t nowMs);
  // Another picture, coming in as a partial update does.
  void setPicture(std::function<QImage(QSize)> picture, uint64_t nowMs);
  // What the panel shows at that moment, in Grayscale8.
  QImage frame(uint64_t nowMs) const;
  // True while an update or a clear is still moving on the panel.
  bool changing(uint64_t nowMs) const;
  // The picture as the mode draws it, without a ghost.
  const QImage& target() const { return target_; }
  // Whether what was shown before still shows through: until the next clear.
  bool ghosted() const { return !ghost_.isNull(); }

 private:
  void update(const PanelInput& input, uint64_t nowMs);
  QImage render(const PanelInput& input);
  const QImage& pictureAt(QSize size);

  std::function<QImage(QSize)> picture_;
  std::deque<std::pair<QSize, QImage>> pictures_;  // the most recent first
  std::optional<PanelInput> input_;                // none before the first show
  QImage target_;
  QImage ghost_;
  uint64_t updateStartMs_ = 0;
  uint64_t clearStartMs_ = 0;
  bool clearing_ = false;
  mutable QImage settled_;
};

}  // namespace emulator
