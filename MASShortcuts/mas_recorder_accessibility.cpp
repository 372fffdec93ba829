#include "MASShortcuts/mas_recorder_accessibility.h"

#include <QAccessibleWidget>

#include "MASShortcuts/mas_shortcut_view.h"

namespace {

// What screen readers see of a recorder: a button named after its shortcut
// whose press starts recording.
class RecorderAccessibility : public QAccessibleWidget {
 public:
  explicit RecorderAccessibility(MASShortcutView* view)
      : QAccessibleWidget(view, QAccessible::Button), view_(view) {}
  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name) return view_->accessibilityLabel();
    if (kind == QAccessible::Help || kind == QAccessible::Description) {
      return view_->accessibilityHelp();
    }
    return QAccessibleWidget::text(kind);
  }
  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& action) override {
    if (action == pressAction()) view_->accessibilityPerformPress();
  }

 private:
  MASShortcutView* view_;
};

QAccessibleInterface* recorderAccessibility(const QString& className, QObject* object) {
  auto* view = dynamic_cast<MASShortcutView*>(object);
  return className == "QWidget" && view != nullptr ? new RecorderAccessibility(view) : nullptr;
}

}  // namespace

void installRecorderAccessibility() {
  static const bool installed = (QAccessible::installFactory(recorderAccessibility), true);
  (void)installed;
}
