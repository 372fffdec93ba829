#include "app/modes_by_application_opener.h"

#include "ui/state_watch.h"

ModesByApplicationOpener::ModesByApplicationOpener(FocusFollower& follower) : follower_(follower) {
  follower_.setFocusListener([this](const QString& application) {
    if (window_) window_->focusMoved(application);
  });
  follower_.setStateListener([this] { refreshIfOpen(); });
  // The first button's name and the captions follow the resolution mode and
  // the language, which may change while the window is open.
  QObject::connect(
      &stateWatch(), &StateWatch::changed, &context_,
      [this](const MonitorState& before, const MonitorState& now) {
        if (before.resolutionMode != now.resolutionMode || before.language != now.language) {
          refreshIfOpen();
        }
      });
}

void ModesByApplicationOpener::refreshIfOpen() {
  if (window_ && window_->isVisible()) window_->refresh();
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
