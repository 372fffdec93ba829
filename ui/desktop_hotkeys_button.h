#pragma once
// Settings' button that hands the hotkeys to a GNOME desktop, which keeps
// keys to itself ("Add to GNOME's keyboard shortcuts"), or takes them back
// ("Remove"). Hidden where the program grabs the keys itself or nothing can
// be offered.

#include <QPushButton>

class DesktopHotkeysButton : public QPushButton {
 public:
  explicit DesktopHotkeysButton(QWidget* parent);
  // Shows what a press would do now, in the dialog's language.
  void showState(bool english);

 private:
  void press();

  bool english_ = false;
};
