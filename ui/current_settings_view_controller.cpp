#include "ui/current_settings_view_controller.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/mode_table.h"
#include "core/parameters.h"
#include "platform/version.h"

namespace {

const char* kNotEnabled = " 未启用";

QString modeName(uint8_t mode) {
  const ModeRow* row = modeRow(mode);
  return row != nullptr ? row->currentSettingsCaption : "UNKNOWN";
}

}  // namespace

CurrentSettingsViewController::CurrentSettingsViewController(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8("当前设置 / Current settings"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  form->setLabelAlignment(Qt::AlignRight);
  form->setHorizontalSpacing(16);
  QLabel** fields[] = {&CurrentMode,
                       &CurrentWorkMode,
                       &CurrentModeThreshold,
                       &CurrentModeResolution,
                       &CurrentRefreshMethod,
                       &CurrentRefreshHandSoft,
                       &CurrentRefreshHandHard,
                       &CurrentSoftVersion};
  const char* captions[] = {"显示模式 / Display mode:",     "工作模式 / Work mode:",
                            "对比度 / Contrast:",           "分辨率 / Resolution:",
                            "自动刷新 / Auto refresh:",     "对比度快捷键 / Contrast hotkeys:",
                            "刷新快捷键 / Refresh hotkey:", "版本 / Version:"};
  for (size_t i = 0; i < std::size(fields); ++i) {
    *fields[i] = new QLabel(this);
    (*fields[i])->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QString::fromUtf8(captions[i]), *fields[i]);
  }
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { COK(); });
  layout->addWidget(buttons);
  viewDidLoad();
}

void CurrentSettingsViewController::viewDidLoad() {
  const uint8_t mode = ShowMode.load();
  const QString name = modeName(mode);
  CurrentMode->setText(name);
  static const char* kWorkModes[] = {"正常模式", "居中模式", "全屏拉伸模式", "等比例拉伸模式"};
  const uint8_t workMode = WorkMode.load();
  // A work mode outside 1 to 4 has no name of its own; the field repeats the display mode.
  CurrentWorkMode->setText(
      workMode >= 1 && workMode <= 4 ? QString::fromUtf8(kWorkModes[workMode - 1]) : name);
  CurrentModeThreshold->setText(QString::asprintf("%d", Threshold.load()));
  CurrentModeResolution->setText(QString::asprintf("%d x %d", Display_X, Display_Y));
  CurrentRefreshMethod->setText(FreshAutoEnable.load() != 0
                                    ? QString::asprintf(" %d s", AutoFreshTime.load())
                                    : QString::fromUtf8(kNotEnabled));
  CurrentRefreshHandSoft->setText(FreshHandSoftEnable.load() != 0 ? " Alt + c"
                                                                  : QString::fromUtf8(kNotEnabled));
  CurrentRefreshHandHard->setText(FreshHandHardEnable.load() != 0 ? " Alt + h"
                                                                  : QString::fromUtf8(kNotEnabled));
  // The program's own version: a fixed one went stale with the first release after it.
  CurrentSoftVersion->setText("v" QUILLMARK_VERSION);
}

void CurrentSettingsViewController::COK() {
  accept();
}
