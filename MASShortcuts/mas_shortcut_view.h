#pragma once
// The recorder control: shows a shortcut, records a new one from the
// keyboard, validates it and keeps it as its value. At most one recorder
// records at a time.

#include <QRect>
#include <QWidget>
#include <functional>
#include <optional>

#include "MASShortcuts/mas_shortcut.h"
#include "MASShortcuts/mas_shortcut_validator.h"

class MASShortcutView : public QWidget {
 public:
  enum ToolTipTag { kNoToolTip = 0, kUserDataShortcut = 1, kUserDataHint = 2 };

  // What drawRect draws: the hint glyph over the whole bounds (right-aligned),
  // and the title, centred, in the shortcut rect or over the whole bounds.
  struct Drawing {
    QString hintGlyph;
    QString title;
    bool titleInShortcutRect = true;
    bool titleOn = false;
  };

  explicit MASShortcutView(QWidget* parent = nullptr);
  ~MASShortcutView() override;

  const std::optional<MASShortcut>& shortcutValue() const { return shortcutValue_; }
  void setShortcutValue(std::optional<MASShortcut> value);
  MASShortcutValidator* shortcutValidator() const { return shortcutValidator_; }
  void setShortcutValidator(MASShortcutValidator* validator) { shortcutValidator_ = validator; }
  bool recording() const { return recording_; }
  void setRecording(bool recording);
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);
  bool hinting() const { return hinting_; }
  void setHinting(bool hinting);
  bool showsDeleteButton() const { return showsDeleteButton_; }
  void setShowsDeleteButton(bool shows);
  bool acceptsFirstResponder() const { return acceptsFirstResponder_; }
  void setAcceptsFirstResponder(bool accepts);
  int style() const { return style_; }
  void setStyle(int style);
  const QString& shortcutPlaceholder() const { return shortcutPlaceholder_; }
  void setShortcutPlaceholder(const QString& placeholder);
  void setShortcutValueChange(std::function<void(MASShortcutView*)> callback) {
    shortcutValueChange_ = std::move(callback);
  }

  void getShortcutRect(QRect* shortcutRect, QRect* hintRect) const;
  bool locationInShortcutRect(const QPoint& point) const;
  bool locationInHintRect(const QPoint& point) const;

  Drawing drawing() const;
  QString stringForToolTip(int tag) const;
  int toolTipTagAt(const QPoint& point) const;
  bool hasHintArea() const { return hintArea_; }
  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

  QString accessibilityLabel() const;
  QString accessibilityHelp() const;
  bool accessibilityPerformPress();

  // The key monitor's rules for one event while recording; true lets it through.
  bool handleRecordingEvent(const platform::Event& event);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void mouseDown(const QPoint& point);
  void resetToolTips();
  void updateTrackingAreas();
  void activateEventMonitoring(bool on);
  void activateResignObserver(bool on);
  int hintWidth() const;

  std::optional<MASShortcut> shortcutValue_;
  MASShortcutValidator* shortcutValidator_;
  bool recording_ = false;
  bool enabled_ = true;
  bool hinting_ = false;
  bool showsDeleteButton_ = true;
  bool acceptsFirstResponder_ = false;
  int style_ = 0;
  QString shortcutPlaceholder_;
  std::function<void(MASShortcutView*)> shortcutValueChange_;
  int shortcutToolTipTag_ = kNoToolTip;
  int hintToolTipTag_ = kNoToolTip;
  bool hintArea_ = false;
};
