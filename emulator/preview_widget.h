#pragma once
// The emulated panel on screen: the frames of an EinkPanel scaled into the
// widget, ticking only while an update or a clear is moving.

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include "emulator/eink_panel.h"

namespace emulator {

class PreviewWidget : public QWidget {
 public:
  PreviewWidget(std::function<QImage(QSize)> picture, QWidget* parent = nullptr);
  void show(const PanelInput& input);
  void setPicture(std::function<QImage(QSize)> picture);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  uint64_t nowMs() const { return static_cast<uint64_t>(clock_.elapsed()); }
  void moved();

  EinkPanel panel_;
  QElapsedTimer clock_;
  QTimer tick_;
  // The last frame as painted, kept while the panel is still: the window
  // repaints for its other widgets far more often than the panel changes.
  QImage painted_;
  bool stale_ = true;
};

}  // namespace emulator
