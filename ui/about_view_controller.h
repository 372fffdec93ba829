#pragma once
// The About box: the program's name, model and version.

#include <QDialog>

class AboutViewController : public QDialog {
 public:
  explicit AboutViewController(QWidget* parent = nullptr);
  void OKButtonAction();
};
