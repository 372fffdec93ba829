#include "ui/about_view_controller.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "base/model_profile.h"
#include "platform/version.h"

AboutViewController::AboutViewController(QWidget* parent) : QDialog(parent) {
  const base::ModelProfile& model = base::profile();
  setWindowTitle(QString("About %1").arg(model.programName));
  auto* layout = new QVBoxLayout(this);
  auto* name = new QLabel(QString("<h2>%1</h2>").arg(model.programName), this);
  name->setAlignment(Qt::AlignCenter);
  layout->addWidget(name);
  auto* details =
      new QLabel(QString("Control program for the Talvex Quillmark %1 e-ink monitor\nVersion v%2")
                     .arg(model.modelName, QUILLMARK_VERSION),
                 this);
  details->setAlignment(Qt::AlignCenter);
  layout->addWidget(details);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { OKButtonAction(); });
  layout->addWidget(buttons);
}

void AboutViewController::OKButtonAction() {
  accept();
}
