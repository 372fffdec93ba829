#include "MASShortcuts/mas_shortcut_view.h"

#include <QGuiApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QToolTip>

#include "MASShortcuts/mas_localized_string.h"
#include "MASShortcuts/mas_recorder_accessibility.h"
#include "MASShortcuts/mas_recorder_texts.h"
#include "platform/key_codes.h"
#include "platform/platform.h"

namespace {

using namespace platform;

constexpr uint64_t kRecorderEventMask = 0x1400;  // key down, flags changed
constexpr int kAnnouncementPriorityHigh = 90;
constexpr int kCellFontPointSize = 11;
const QChar kEscapeGlyph(0x238B);
const QChar kDeleteGlyph(0x2715);

// One recorder records at a time; these belong to all of them.
MASShortcutView* currentRecorder = nullptr;
std::optional<MonitorId> eventMonitor;
std::optional<ObserverId> resignObserver;

}  // namespace

MASShortcutView::MASShortcutView(QWidget* parent)
    : QWidget(parent), shortcutValidator_(&MASShortcutValidator::sharedValidator()) {
  QFont cellFont = font();
  cellFont.setPointSize(kCellFontPointSize);
  setFont(cellFont);
  setAcceptsFirstResponder(false);
  setStyle(0);
  updateTrackingAreas();
  installRecorderAccessibility();
}

MASShortcutView::~MASShortcutView() {
  activateEventMonitoring(false);
  activateResignObserver(false);
  if (currentRecorder == this) currentRecorder = nullptr;
}

void MASShortcutView::setShortcutValue(std::optional<MASShortcut> value) {
  shortcutValue_ = std::move(value);
  resetToolTips();
  update();
  if (shortcutValueChange_) shortcutValueChange_(this);
}

void MASShortcutView::setRecording(bool recording) {
  if (recording && currentRecorder != this) {
    if (currentRecorder != nullptr) currentRecorder->setRecording(false);
    currentRecorder = this;
  }
  if (recording && !enabled_) return;
  if (recording == recording_) return;
  recording_ = recording;
  shortcutPlaceholder_.clear();
  resetToolTips();
  activateEventMonitoring(recording);
  activateResignObserver(recording);
  update();
  if (!recording) {
    platform::app().announce(
        shortcutValue_
            ? MASLocalizedString("Shortcut set", "VoiceOver: Shortcut set").toStdString()
            : MASLocalizedString("Shortcut cleared", "VoiceOver: Shortcut cleared").toStdString(),
        kAnnouncementPriorityHigh);
  }
}

void MASShortcutView::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  QWidget::setEnabled(enabled);
  updateTrackingAreas();
  setRecording(false);
  update();
}

void MASShortcutView::setHinting(bool hinting) {
  if (hinting == hinting_) return;
  hinting_ = hinting;
  update();
}

void MASShortcutView::setShowsDeleteButton(bool shows) {
  showsDeleteButton_ = shows;
  update();
}

void MASShortcutView::setAcceptsFirstResponder(bool accepts) {
  acceptsFirstResponder_ = accepts;
  setFocusPolicy(accepts ? Qt::StrongFocus : Qt::NoFocus);
}

void MASShortcutView::setStyle(int style) {
  if (style == style_ && testAttribute(Qt::WA_WState_Polished)) return;
  style_ = style;
  // Style 3 draws on a transparent background without a border.
  setAttribute(Qt::WA_TranslucentBackground, style_ == 3);
  update();
}

void MASShortcutView::setShortcutPlaceholder(const QString& placeholder) {
  shortcutPlaceholder_ = placeholder;
  update();
}

// Wide enough for the longest caption of any state in either language and
// the longest shortcut, so that no state's text is clipped.
QSize MASShortcutView::minimumSizeHint() const {
  static const char* const kCaptions[] = {"Record Shortcut", "Type Shortcut", "Cancel",
                                          "Type New Shortcut", "Use Old Shortcut"};
  QStringList captions = {QString::fromUtf8("\u2303\u2325\u21E7\u2318F19")};
  for (const char* caption : kCaptions) {
    captions << QString::fromUtf8(caption);
    if (const char* chinese = chineseRecorderText(caption)) captions << QString::fromUtf8(chinese);
  }
  const QFontMetrics metrics(font());
  int widest = 0;
  for (const QString& caption : captions) {
    widest = std::max(widest, metrics.horizontalAdvance(caption));
  }
  constexpr int kPadding = 8;
  return {widest + 2 * (hintWidth() + kPadding), std::max(24, metrics.height() + kPadding)};
}

QSize MASShortcutView::sizeHint() const {
  return minimumSizeHint();
}

int MASShortcutView::hintWidth() const {
  switch (style_) {
    case 1:
      return 25;
    case 2:
      return 26;
    case 3:
      return 23 - (8 - (kCellFontPointSize - 11));
    default:
      return 23;
  }
}

void MASShortcutView::getShortcutRect(QRect* shortcutRect, QRect* hintRect) const {
  const QRect bounds = rect();
  const int hint = std::min(hintWidth(), bounds.width());
  if (hintRect != nullptr) *hintRect = QRect(bounds.right() - hint + 1, 0, hint, bounds.height());
  if (shortcutRect != nullptr) *shortcutRect = QRect(0, 0, bounds.width() - hint, bounds.height());
}

bool MASShortcutView::locationInShortcutRect(const QPoint& point) const {
  QRect shortcutRect;
  getShortcutRect(&shortcutRect, nullptr);
  return shortcutRect.contains(point);
}

bool MASShortcutView::locationInHintRect(const QPoint& point) const {
  QRect hintRect;
  getShortcutRect(nullptr, &hintRect);
  return hintRect.contains(point);
}

MASShortcutView::Drawing MASShortcutView::drawing() const {
  Drawing plan;
  if (shortcutValue_) {
    if (recording_) {
      plan.hintGlyph = kEscapeGlyph;
    } else if (showsDeleteButton_) {
      plan.hintGlyph = kDeleteGlyph;
    }
    plan.titleOn = recording_;
    if (!recording_) {
      plan.title = shortcutValue_->description();
    } else if (hinting_) {
      plan.title = MASRecorderText("Use Old Shortcut");
    } else {
      plan.title = shortcutPlaceholder_.isEmpty() ? MASRecorderText("Type New Shortcut")
                                                  : shortcutPlaceholder_;
    }
  } else if (recording_) {
    plan.hintGlyph = kEscapeGlyph;
    plan.titleOn = true;
    if (hinting_) {
      plan.title = MASRecorderText("Cancel");
    } else {
      plan.title =
          shortcutPlaceholder_.isEmpty() ? MASRecorderText("Type Shortcut") : shortcutPlaceholder_;
    }
  } else {
    plan.title = MASRecorderText("Record Shortcut");
    plan.titleInShortcutRect = false;
  }
  return plan;
}

void MASShortcutView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const Drawing plan = drawing();
  // Styles 1 and 2 sit one point lower than the given rect.
  const int offset = style_ == 1 || style_ == 2 ? 1 : 0;
  const QRect bounds = rect().adjusted(0, offset, 0, 0);
  if (style_ != 3) {
    QStyleOptionButton bevel;
    bevel.initFrom(this);
    bevel.rect = bounds;
    if (plan.titleOn) bevel.state |= QStyle::State_On | QStyle::State_Sunken;
    if (!enabled_) bevel.state &= ~QStyle::State_Enabled;
    QWidget::style()->drawControl(QStyle::CE_PushButtonBevel, &bevel, &painter, this);
  }
  painter.setPen(
      palette().color(enabled_ ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  if (!plan.hintGlyph.isEmpty()) {
    painter.drawText(bounds.adjusted(0, 0, -6, 0), Qt::AlignRight | Qt::AlignVCenter,
                     plan.hintGlyph);
  }
  QRect titleRect = bounds;
  if (plan.titleInShortcutRect) getShortcutRect(&titleRect, nullptr);
  painter.drawText(titleRect.translated(0, offset), Qt::AlignCenter, plan.title);
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = rect();
    QWidget::style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}

void MASShortcutView::mouseDown(const QPoint& point) {
  if (shortcutValue_) {
    if (recording_) {
      if (locationInHintRect(point)) setRecording(false);
    } else if (locationInShortcutRect(point)) {
      setRecording(true);
    } else {
      setShortcutValue(std::nullopt);
    }
  } else if (recording_) {
    if (locationInHintRect(point)) setRecording(false);
  } else {
    setRecording(true);
  }
}

void MASShortcutView::mousePressEvent(QMouseEvent* event) {
  if (!enabled_) {
    QWidget::mousePressEvent(event);
    return;
  }
  mouseDown(event->position().toPoint());
  event->accept();
}

void MASShortcutView::mouseMoveEvent(QMouseEvent* event) {
  if (hintArea_) setHinting(locationInHintRect(event->position().toPoint()));
  QWidget::mouseMoveEvent(event);
}

void MASShortcutView::leaveEvent(QEvent* event) {
  if (hintArea_) setHinting(false);
  QWidget::leaveEvent(event);
}

void MASShortcutView::focusInEvent(QFocusEvent* event) {
  update();
  QWidget::focusInEvent(event);
}

void MASShortcutView::focusOutEvent(QFocusEvent* event) {
  update();
  QWidget::focusOutEvent(event);
}

void MASShortcutView::updateTrackingAreas() {
  hintArea_ = enabled_;
  setMouseTracking(enabled_);
}

void MASShortcutView::resetToolTips() {
  shortcutToolTipTag_ = kNoToolTip;
  hintToolTipTag_ = kNoToolTip;
  if (shortcutValue_ && !recording_ && enabled_) {
    shortcutToolTipTag_ = kUserDataShortcut;
    hintToolTipTag_ = kUserDataHint;
  }
}

int MASShortcutView::toolTipTagAt(const QPoint& point) const {
  if (locationInHintRect(point)) return hintToolTipTag_;
  if (locationInShortcutRect(point)) return shortcutToolTipTag_;
  return kNoToolTip;
}

QString MASShortcutView::stringForToolTip(int tag) const {
  if (tag == kUserDataShortcut) return MASRecorderText("Click to record new shortcut");
  if (tag == kUserDataHint) return MASRecorderText("Delete shortcut");
  return {};
}

bool MASShortcutView::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = stringForToolTip(toolTipTagAt(help->pos()));
    if (tip.isEmpty()) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(help->globalPos(), tip, this);
    }
    return true;
  }
  return QWidget::event(event);
}

QString MASShortcutView::accessibilityLabel() const {
  const QString value = shortcutValue_ ? shortcutValue_->description() : QString("Empty");
  return QString("%1 %2").arg(value, MASLocalizedString("keyboard shortcut", "VoiceOver title"));
}

QString MASShortcutView::accessibilityHelp() const {
  return MASLocalizedString(
      "To record a new shortcut, click this button, and then type the new shortcut, or press "
      "delete to clear an existing shortcut.",
      "VoiceOver shortcut help");
}

bool MASShortcutView::accessibilityPerformPress() {
  if (recording_) return false;
  setRecording(true);
  return true;
}

void MASShortcutView::activateEventMonitoring(bool on) {
  if (on == eventMonitor.has_value()) return;
  auto& app = platform::app();
  if (on) {
    eventMonitor = app.addLocalEventMonitor(kRecorderEventMask, [](const Event& event) {
      return currentRecorder == nullptr || currentRecorder->handleRecordingEvent(event);
    });
  } else {
    app.removeEventMonitor(*eventMonitor);
    eventMonitor.reset();
  }
}

void MASShortcutView::activateResignObserver(bool on) {
  if (on == resignObserver.has_value()) return;
  auto& app = platform::app();
  if (on) {
    // Only the recorder's own window resigning ends recording: an alert or
    // menu that closes and hands the focus back resigns a window of its own.
    resignObserver = app.addWindowResignKeyObserver([] {
      if (currentRecorder == nullptr) return;
      const QWidget* window = currentRecorder->window();
      if (window->windowHandle() == nullptr ||
          window->windowHandle() != QGuiApplication::focusWindow()) {
        currentRecorder->setRecording(false);
      }
    });
  } else {
    app.removeObserver(*resignObserver);
    resignObserver.reset();
  }
}

bool MASShortcutView::handleRecordingEvent(const Event& event) {
  const MASShortcut shortcut = MASShortcut::shortcutWithEvent(event);
  const bool isKey = event.type == kEventKeyDown && event.hasKeyCode;
  const int64_t key = shortcut.keyCode();
  const uint64_t flags = shortcut.modifierFlags();
  if (isKey && key == kKeyTab) return true;
  if (isKey && flags == 0 && (key == kKeyDelete || key == kKeyForwardDelete)) {
    setShortcutValue(std::nullopt);
    setRecording(false);
    return false;
  }
  if (isKey && flags == 0 && key == kKeyEscape) {
    setRecording(false);
    return false;
  }
  if (isKey && flags == kModifierCommand && (key == kKeyW || key == kKeyQ)) {
    setRecording(false);
    return true;
  }
  if (isKey && !shortcut.keyCodeString().isEmpty()) {
    QString explanation;
    if (!shortcutValidator_->isShortcutValid(shortcut)) {
      platform::app().beep();
    } else if (shortcutValidator_->isShortcutAlreadyTakenBySystem(shortcut, &explanation)) {
      activateResignObserver(false);
      activateEventMonitoring(false);
      platform::app().runModalAlert({MASRecorderText("The key combination %1 cannot be used")
                                         .arg(shortcut.description())
                                         .toStdString(),
                                     explanation.toStdString(),
                                     {"OK"},
                                     2});
      setShortcutPlaceholder({});
      activateResignObserver(true);
      activateEventMonitoring(true);
    } else {
      setShortcutValue(shortcut);
      setRecording(false);
    }
    return false;
  }
  setShortcutPlaceholder(shortcut.modifierFlagsString());
  return false;
}
