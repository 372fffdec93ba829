#include "app/main_window.h"

#include <QMenuBar>

#include "app/autostart.h"
#include "base/model_profile.h"
#include "ui/captions.h"
#include "ui/view_controller.h"

MainWindow::MainWindow() {
  const base::ModelProfile& model = base::profile();
  setWindowTitle(QString("%1 - Talvex Quillmark %2").arg(model.programName, model.modelName));
  panel_ = new ViewController(this);
  setCentralWidget(panel_);

  QMenu* program = menuBar()->addMenu(model.programName);
  settings_ = program->addAction({}, QKeySequence(Qt::CTRL | Qt::Key_Comma),
                                 [this] { panel_->presentSettings(); });
  currentSettings_ = program->addAction({}, QKeySequence(Qt::CTRL | Qt::Key_I),
                                        [this] { panel_->presentCurrentSettings(); });
  modesByApplication_ = program->addAction({}, [this] {
    if (openModesByApplication_) openModesByApplication_();
  });
  // The tray has the same box; a desktop without a tray has only this one.
  startAtLogin_ = program->addAction({}, [this](bool on) {
    setAutostart(base::profile(), on);
    startAtLogin_->setChecked(autostartEnabled(base::profile()));
  });
  startAtLogin_->setCheckable(true);
  connect(program, &QMenu::aboutToShow, this,
          [this] { startAtLogin_->setChecked(autostartEnabled(base::profile())); });
  program->addSeparator();
  hide_ =
      program->addAction({}, QKeySequence(Qt::CTRL | Qt::Key_H), [this] { panel_->HideAction(); });
  quit_ =
      program->addAction({}, QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { panel_->ExitAction(); });
  helpMenu_ = menuBar()->addMenu(QString());
  helpAndLanguage_ =
      helpMenu_->addAction({}, QKeySequence(Qt::Key_F1), [this] { panel_->HelpButton->click(); });
  panel_->captionsChanged = [this] { retitleMenus(); };
  retitleMenus();
}

void MainWindow::bringToFront() {
  showNormal();
  raise();
  activateWindow();
}

void MainWindow::retitleMenus() {
  settings_->setText(caption(Caption::kSettingsMenu));
  currentSettings_->setText(caption(Caption::kCurrentSettings));
  modesByApplication_->setText(caption(Caption::kModesByApplicationMenu));
  startAtLogin_->setText(caption(Caption::kStartAtLogin));
  hide_->setText(caption(Caption::kHide));
  quit_->setText(caption(Caption::kQuit));
  helpMenu_->setTitle(caption(Caption::kHelp));
  helpAndLanguage_->setText(caption(Caption::kHelpAndLanguage));
}
