#pragma once
// The "Modes by application" window: the rules in a table (the application,
// with its desktop name and icon where its desktop file is installed, and
// the mode button it gets), each mode changed in place, removed, or added
// for the next application the user switches to. Both languages.

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <functional>
#include <optional>

#include "core/mode_table.h"

class ModesByApplicationWindow : public QDialog {
 public:
  // Sets or (nullopt) removes a rule; false with why.
  using SetRule =
      std::function<bool(const QString& application, std::optional<ModeButton>, QString& why)>;
  // Where the focus comes from, and the desktop's part of it that the user
  // may turn on from here (GNOME's extension).
  struct FocusSourceAccess {
    std::function<QString()> describe;  // "X11 _NET_ACTIVE_WINDOW", or "none: why"
    std::function<bool()> canBeEnabled;
    std::function<bool(QString& why)> enable;
  };
  ModesByApplicationWindow(SetRule setRule, FocusSourceAccess focusSource,
                           QWidget* parent = nullptr);

  // The focus moved to another application: while the user picks, it gets a
  // rule for the mode in force.
  void focusMoved(const QString& application);
  // The rules, the captions in the panel's language and the focus source, anew.
  void refresh();

  QTableWidget& table() { return table_; }
  QPushButton& addButton() { return add_; }
  QPushButton& removeButton() { return remove_; }
  QPushButton& enableSourceButton() { return enableSource_; }

 private:
  void set(const QString& application, std::optional<ModeButton> button);
  QComboBox* modeChoice(const QString& application, ModeButton button);

  SetRule setRule_;
  FocusSourceAccess focusSource_;
  QLabel note_, source_, status_;
  QTableWidget table_;
  QPushButton add_, remove_, enableSource_, close_;
  bool picking_ = false;
};
