#include "ui/radio_matrix.h"

#include <QGridLayout>

RadioMatrix::RadioMatrix(int rows, int columns, QWidget* parent)
    : QWidget(parent), rows_(rows), columns_(columns) {
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      auto* cell = new QRadioButton(this);
      group_.addButton(cell, row * columns + column);
      layout->addWidget(cell, row, column);
      cells_.push_back(cell);
    }
  }
  QObject::connect(&group_, &QButtonGroup::idClicked, this, [this](int) {
    if (action_) action_();
  });
}

QRadioButton* RadioMatrix::cellAt(int row, int column) const {
  if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return nullptr;
  return cells_[static_cast<size_t>(row * columns_ + column)];
}

void RadioMatrix::selectCellAtRow(int row, int column) {
  if (QRadioButton* cell = cellAt(row, column)) cell->setChecked(true);
}

int RadioMatrix::selectedRow() const {
  const int id = group_.checkedId();
  return id < 0 ? -1 : id / columns_;
}

int RadioMatrix::selectedColumn() const {
  const int id = group_.checkedId();
  return id < 0 ? -1 : id % columns_;
}
