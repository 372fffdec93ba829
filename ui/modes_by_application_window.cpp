#include "ui/modes_by_application_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QSettings>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "core/application_modes.h"
#include "core/parameters.h"
#include "ui/captions.h"

namespace {

constexpr ModeButton kButtons[] = {ModeButton::kA5, ModeButton::kA2, ModeButton::kA16};

// The name a desktop file gives the application, and its icon; the id alone
// where no desktop file is installed (an X11 class, say).
void describe(QTableWidgetItem& item, const QString& application) {
  item.setText(application);
  const QString entry =
      QStandardPaths::locate(QStandardPaths::ApplicationsLocation, application + ".desktop");
  if (entry.isEmpty()) return;
  QSettings desktopFile(entry, QSettings::IniFormat);
  const QString name = desktopFile.value("Desktop Entry/Name").toString();
  if (!name.isEmpty()) item.setText(QString("%1 (%2)").arg(name, application));
  item.setIcon(QIcon::fromTheme(desktopFile.value("Desktop Entry/Icon").toString()));
}

}  // namespace

ModesByApplicationWindow::ModesByApplicationWindow(SetRule setRule, FocusSourceAccess focusSource,
                                                   QWidget* parent)
    : QDialog(parent), setRule_(std::move(setRule)), focusSource_(std::move(focusSource)) {
  note_.setWordWrap(true);
  table_.setColumnCount(2);
  table_.setSelectionBehavior(QAbstractItemView::SelectRows);
  table_.setSelectionMode(QAbstractItemView::SingleSelection);
  table_.setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_.horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  table_.verticalHeader()->hide();
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(&add_);
  buttons->addWidget(&remove_);
  buttons->addWidget(&enableSource_);
  buttons->addStretch();
  buttons->addWidget(&close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(&note_);
  layout->addWidget(&table_);
  layout->addWidget(&status_);
  layout->addWidget(&source_);
  layout->addLayout(buttons);
  connect(&add_, &QPushButton::clicked, this, [this] {
    picking_ = true;
    status_.setText(caption(Caption::kSwitchToTheWindow));
  });
  connect(&remove_, &QPushButton::clicked, this, [this] {
    const int row = table_.currentRow();
    if (row >= 0) set(table_.item(row, 0)->data(Qt::UserRole).toString(), std::nullopt);
  });
  connect(&enableSource_, &QPushButton::clicked, this, [this] {
    QString why;
    status_.setText(focusSource_.enable(why) ? QString() : why);
    refresh();
  });
  connect(&close_, &QPushButton::clicked, this, &QDialog::close);
  resize(520, 360);
  refresh();
}

void ModesByApplicationWindow::focusMoved(const QString& application) {
  if (!picking_ || application.isEmpty()) return;
  picking_ = false;
  const ModeRow* row = modeRow(ShowMode.load());
  set(application, row != nullptr ? row->button : ModeButton::kA2);
}

void ModesByApplicationWindow::refresh() {
  setWindowTitle(caption(Caption::kModesByApplication));
  note_.setText(caption(Caption::kModesByApplicationNote));
  table_.setHorizontalHeaderLabels(
      {caption(Caption::kApplicationColumn), caption(Caption::kModeColumn)});
  add_.setText(caption(Caption::kAddNextApplication));
  remove_.setText(caption(Caption::kRemove));
  close_.setText(caption(Caption::kClose));
  enableSource_.setText(caption(Caption::kEnableGnomeExtension));
  enableSource_.setVisible(focusSource_.canBeEnabled());
  source_.setText(caption(Caption::kFocusFrom).arg(focusSource_.describe()));
  const auto& rules = applicationModes().rules();
  // Rows made anew: a kept row's mode box would stand over the new one.
  table_.setRowCount(0);
  table_.setRowCount(static_cast<int>(rules.size()));
  for (int row = 0; row < table_.rowCount(); ++row) {
    const ApplicationRule& rule = rules[static_cast<size_t>(row)];
    const QString application = QString::fromStdString(rule.application);
    auto* item = new QTableWidgetItem;
    describe(*item, application);
    item->setData(Qt::UserRole, application);
    table_.setItem(row, 0, item);
    table_.setCellWidget(row, 1, modeChoice(application, rule.button));
  }
}

QComboBox* ModesByApplicationWindow::modeChoice(const QString& application, ModeButton button) {
  auto* choice = new QComboBox;
  for (const ModeButton each : kButtons) {
    const ModeRow* row = modeRow(showModeOf(each, ResCommMode.load() == 1 ? 1 : 2));
    choice->addItem(row != nullptr ? row->name : "");
    if (each == button) choice->setCurrentIndex(choice->count() - 1);
  }
  connect(choice, &QComboBox::activated, this,
          [this, application](int index) { set(application, kButtons[index]); });
  return choice;
}

void ModesByApplicationWindow::set(const QString& application, std::optional<ModeButton> button) {
  QString why;
  status_.setText(setRule_(application, button, why) ? QString() : why);
  refresh();
}
