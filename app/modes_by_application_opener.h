#pragma once
// This run's "Modes by application" window: made when first asked for, on
// the follower's rules file and focus source, and drawn anew while it is
// open whenever either changes elsewhere (the rules file edited by hand or by
// --mode-for, GNOME's extension turned on or off in the Extensions app), and
// when the resolution mode or the language changes.

#include <QObject>
#include <memory>

#include "app/focus_follower.h"
#include "ui/modes_by_application_window.h"

class ModesByApplicationOpener {
 public:
  explicit ModesByApplicationOpener(FocusFollower& follower);
  ~ModesByApplicationOpener();
  ModesByApplicationOpener(const ModesByApplicationOpener&) = delete;
  ModesByApplicationOpener& operator=(const ModesByApplicationOpener&) = delete;

  // Shows the window, drawn anew, in front.
  void open();
  // Null until first opened.
  ModesByApplicationWindow* window() const { return window_.get(); }

 private:
  // Every redraw costs the e-ink panel a refresh: a hidden window is drawn
  // anew only when next opened.
  void refreshIfOpen();

  FocusFollower& follower_;
  QObject context_;  // ends the connections with the opener
  std::unique_ptr<ModesByApplicationWindow> window_;
};
