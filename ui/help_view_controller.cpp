#include "ui/help_view_controller.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/parameter_store.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "platform/platform.h"
#include "ui/about_view_controller.h"
#include "ui/captions.h"
#include "ui/console.h"

const char* const kVersionCheckURL = "https://www.talvex.com/quillmark/version-check";

HelpViewController::HelpViewController(QWidget* parent) : QDialog(parent) {
  auto* layout = new QVBoxLayout(this);
  LanguageRef = new QGroupBox(this);
  auto* languageRow = new QHBoxLayout(LanguageRef);
  PopUPButtonRef = new QComboBox(LanguageRef);
  PopUPButtonRef->addItem(QString::fromUtf8("中文"));
  PopUPButtonRef->addItem("English");
  languageRow->addWidget(PopUPButtonRef);
  layout->addWidget(LanguageRef);

  auto* links = new QHBoxLayout;
  CheckingNewVersionRef = new QPushButton(this);
  AboutRef = new QPushButton(this);
  links->addWidget(CheckingNewVersionRef);
  links->addWidget(AboutRef);
  layout->addLayout(links);

  auto* confirm = new QHBoxLayout;
  confirm->addStretch();
  CancelRef = new QPushButton(this);
  OkButtonRef = new QPushButton(this);
  OkButtonRef->setDefault(true);
  confirm->addWidget(CancelRef);
  confirm->addWidget(OkButtonRef);
  layout->addLayout(confirm);

  connect(PopUPButtonRef, &QComboBox::activated, this, [this](int) { PopUPButtonAction(); });
  connect(OkButtonRef, &QPushButton::clicked, this, [this] { UOK(); });
  connect(CancelRef, &QPushButton::clicked, this, [this] { UCancel(); });
  connect(CheckingNewVersionRef, &QPushButton::clicked, this, [this] { UFunctional(); });
  connect(AboutRef, &QPushButton::clicked, this, [this] { UAbout(); });
  viewDidLoad();
}

void HelpViewController::setTitles(bool english) {
  setWindowTitle(caption(Caption::kHelp, english));
  CheckingNewVersionRef->setText(caption(Caption::kCheckNewVersion, english));
  AboutRef->setText(caption(Caption::kAbout, english));
  CancelRef->setText(caption(Caption::kCancel, english));
  LanguageRef->setTitle(QString::fromUtf8("语言切换/Language"));
  OkButtonRef->setText(caption(Caption::kOk, english));
}

void HelpViewController::viewDidLoad() {
  const bool chinese = Language.load() == kLanguageChinese;
  setTitles(!chinese);
  PopUPButtonRef->setCurrentIndex(chinese ? 0 : 1);
}

void HelpViewController::PopUPButtonAction() {
  const long selected = PopUPButtonRef->currentIndex();
  consoleLine("selected value as %ld.\n", selected);
  setTitles(selected == 1);
}

void HelpViewController::UOK() {
  accept();
  Language = PopUPButtonRef->currentIndex() == 1 ? kLanguageEnglish : kLanguageChinese;
  if (MainPanel* panel = VCInstance.load()) panel->UIButtonTextAutoChange();
  saveParameterFile();
}

void HelpViewController::UCancel() {
  reject();
}

void HelpViewController::UFunctional() {
  platform::app().openURL(kVersionCheckURL);
}

void HelpViewController::UAbout() {
  auto* about = new AboutViewController(this);
  about->setAttribute(Qt::WA_DeleteOnClose);
  about->open();
}
