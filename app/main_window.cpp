#include "app/main_window.h"

#include <QMenuBar>

#include "link/model_profile.h"
#include "ui/view_controller.h"

MainWindow::MainWindow() {
  const ModelProfile& model = profile();
  setWindowTitle(QString("%1 - Talvex Quillmark %2").arg(model.programName, model.modelName));
  panel_ = new ViewController(this);
  setCentralWidget(panel_);

  QMenu* program = menuBar()->addMenu(model.programName);
  program->addAction("Settings...", QKeySequence(Qt::CTRL | Qt::Key_Comma),
                     [this] { panel_->presentSettings(); });
  program->addAction("Current settings", QKeySequence(Qt::CTRL | Qt::Key_I),
                     [this] { panel_->presentCurrentSettings(); });
  program->addSeparator();
  program->addAction("Hide", QKeySequence(Qt::CTRL | Qt::Key_H), [this] { panel_->HideAction(); });
  program->addAction("Quit", QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { panel_->ExitAction(); });
  QMenu* help = menuBar()->addMenu("Help");
  help->addAction("Help and language...", QKeySequence(Qt::Key_F1),
                  [this] { panel_->HelpButton->click(); });
}
