#pragma once
// A group of radio cells in rows and columns, one of them selected.
// Selecting a cell from code does not run the group's action; a click does.

#include <QButtonGroup>
#include <QRadioButton>
#include <QWidget>
#include <functional>
#include <vector>

class RadioMatrix : public QWidget {
 public:
  RadioMatrix(int rows, int columns, QWidget* parent = nullptr);

  const std::vector<QRadioButton*>& cells() const { return cells_; }
  QRadioButton* cellAt(int row, int column) const;
  void selectCellAtRow(int row, int column);
  // -1 when no cell is selected.
  int selectedRow() const;
  int selectedColumn() const;
  void setAction(std::function<void()> action) { action_ = std::move(action); }

 private:
  int rows_;
  int columns_;
  QButtonGroup group_;
  std::vector<QRadioButton*> cells_;
  std::function<void()> action_;
};
