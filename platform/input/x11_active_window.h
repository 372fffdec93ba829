#pragma once
// The focused application on X11, from any EWMH window manager: the root
// window's _NET_ACTIVE_WINDOW changes, then the window's own names
// (_GTK_APPLICATION_ID, _KDE_NET_WM_DESKTOP_FILE, WM_CLASS) and _NET_WM_PID.

#include <QSocketNotifier>
#include <memory>

#include "platform/input/focus_source.h"

typedef struct _XDisplay Display;

namespace platform::input {

class X11ActiveWindow : public FocusSource {
 public:
  ~X11ActiveWindow() override;
  // False without an X display or a window manager that names the active window.
  bool start(FocusReport report);
  std::string name() const override { return "X11 _NET_ACTIVE_WINDOW"; }

 private:
  void readEvents();
  void reportActiveWindow();

  Display* display_ = nullptr;
  unsigned long activeAtom_ = 0;
  std::unique_ptr<QSocketNotifier> readable_;
  FocusReport report_;
};

}  // namespace platform::input
