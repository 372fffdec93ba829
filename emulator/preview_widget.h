#pragma once
// The emulated panel on screen: the frames of an EinkPanel scaled into the
// widget, ticking only while an update or a clear is moving. A mouse button
// held on it shows a loupe with the panel's own pixels, twice their size.

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <optional>

#include "emulator/eink_panel.h"

namespace emulator {

class PreviewWidget : public QWidget {
 public:
  PreviewWidget(std::function<QImage(QSize)> picture, QWidget* parent = nullptr);
  void show(const PanelInput& input);
  void setPicture(std::function<QImage(QSize)> picture);
  bool ghosted() const { return panel_.ghosted(); }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  uint64_t nowMs() const { return static_cast<uint64_t>(clock_.elapsed()); }
  void moved();
  void paintLoupe(QPainter& painter, const QRectF& shownAt);

  EinkPanel panel_;
  QElapsedTimer clock_;
  QTimer tick_;
  // The last frame as painted, kept while the panel is still: the window
  // repaints for its other widgets far more often than the panel changes.
  QImage painted_;
  bool stale_ = true;
  std::optional<QPointF> loupe_;
};

}  // namespace emulator
