#include "app/modes_by_application_opener.h"

ModesByApplicationOpener::ModesByApplicationOpener(FocusFollower& follower) : follower_(follower) {
  follower_.setFocusListener([this](const QString& application) {
    if (window_) window_->focusMoved(application);
  });
  // A hidden window is drawn anew when next opened: every redraw costs the
  // e-ink panel a refresh.
  follower_.setStateListener([this] {
    if (window_ && window_->isVisible()) window_->refresh();
  });
}

// The follower may outlive the window it told.
ModesByApplicationOpener::~ModesByApplicationOpener() {
  follower_.setFocusListener(nullptr);
  follower_.setStateListener(nullptr);
}

void ModesByApplicationOpener::open() {
  if (!window_) {
    window_ = std::make_unique<ModesByApplicationWindow>(
        [this](const QString& application, std::optional<ModeButton> button, QString& why) {
          return follower_.setRule(application, button, why);
        },
        ModesByApplicationWindow::FocusSourceAccess{
            [this] { return follower_.source(); },
            [this] { return follower_.sourceCanBeEnabled(); },
            [this](QString& why) { return follower_.enableSource(why); }});
  }
  window_->refresh();
  window_->show();
  window_->raise();
  window_->activateWindow();
}
