#include "app/main_window.h"

#include <QMenuBar>

#include "app/autostart.h"
#include "base/model_profile.h"
#include "ui/language_text.h"
#include "ui/view_controller.h"

MainWindow::MainWindow() {
  const ModelProfile& model = profile();
  setWindowTitle(QString("%1 - Talvex Quillmark %2").arg(model.programName, model.modelName));
  panel_ = new ViewController(this);
  setCentralWidget(panel_);

  QMenu* program = menuBar()->addMenu(model.programName);
  settings_ = program->addAction({}, QKeySequence(Qt::CTRL | Qt::Key_Comma),
                                 [this] { panel_->presentSettings(); });
  currentSettings_ = program->addAction({}, QKeySequence(Qt::CTRL | Qt::Key_I),
                                        [this] { panel_->presentCurrentSettings(); });
  // The tray has the same box; a desktop without a tray has only this one.
  startAtLogin_ = program->addAction({}, [this](bool on) {
    setAutostart(profile(), on);
    startAtLogin_->setChecked(autostartEnabled(profile()));
  });
  startAtLogin_->setCheckable(true);
  connect(program, &QMenu::aboutToShow, this,
          [this] { startAtLogin_->setChecked(autostartEnabled(profile())); });
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
  settings_->setText(languageText("Settings...", "设置..."));
  currentSettings_->setText(languageText("Current settings", "当前设置"));
  startAtLogin_->setText(languageText("Start at login", "登录时启动"));
  hide_->setText(languageText("Hide", "隐藏"));
  quit_->setText(languageText("Quit", "退出"));
  helpMenu_->setTitle(languageText("Help", "帮助"));
  helpAndLanguage_->setText(languageText("Help and language...", "帮助和语言..."));
}
