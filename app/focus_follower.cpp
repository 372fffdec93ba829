#include "app/focus_follower.h"

#include <QDir>
#include <QFileInfo>

#include "core/application_modes.h"
#include "core/application_rules.h"
#include "core/feedback.h"
#include "core/focus_source_problem.h"
#include "platform/platform.h"
#include "ui/state_watch.h"

FocusFollower::~FocusFollower() {
  setFeedback(nullptr);
  focusSourceProblem() = nullptr;
}

void FocusFollower::start(const platform::session::SessionType& session,
                          const platform::input::FocusReportTarget& target) {
  setFeedback([this](const std::string& text) { notifications_.tell(text); });
  focusSourceProblem() = [this] { return problemForRules(); };
  readRules();
  watchRulesFile();
  connect(&stateWatch(), &StateWatch::changed, this,
          [](const MonitorState& before, const MonitorState& now) {
            if (!before.online && now.online) applicationModes().monitorOnline();
          });
  focus_ = platform::input::startFocusSource(
      session, [this](const platform::FocusedWindow& window) { focusMoved(window); }, target, why_);
  if (!applicationModes().rules().empty() || source().startsWith("none")) {
    logSource();
  }
  if (focus_ != nullptr) {
    focus_->setChangeListener([this] {
      // A part turned off stops reporting: an earlier report proves nothing now.
      if (!focus_->problem().empty()) reported_ = false;
      logSource();
      if (stateListener_) stateListener_();
    });
  }
}

void FocusFollower::logSource() const {
  platform::app().systemLog("Modes by application: focus from " + source().toStdString() + ".\n");
}

std::string FocusFollower::problem() const {
  if (focus_ == nullptr) return why_;
  // A report shows the desktop's part runs, whatever was seen at the start.
  return reported_ ? std::string() : focus_->problem();
}

QString FocusFollower::source() const {
  const std::string why = problem();
  if (focus_ != nullptr && why.empty()) return QString::fromStdString(focus_->name());
  return QString::fromStdString("none: " + why);
}

std::string FocusFollower::problemForRules() const {
  return applicationModes().rules().empty() ? std::string() : problem();
}

bool FocusFollower::enableSource(QString& why) {
  std::string problem = "no desktop part to turn on";
  if (focus_ == nullptr || !focus_->enable(problem)) {
    why = QString::fromStdString(problem);
    return false;
  }
  platform::app().systemLog("Modes by application: " + focus_->problem() + ".\n");
  return true;
}

void FocusFollower::reportedByScript(const platform::FocusedWindow& window, const QString& sender) {
  if (focus_ == nullptr || !focus_->acceptsReportFrom(sender)) return;
  reported_ = true;
  focusMoved(window);
}

void FocusFollower::focusMoved(const platform::FocusedWindow& window) {
  if (applicationModes().focusMoved(window) && focusListener_) {
    focusListener_(QString::fromStdString(applicationModes().focusedApplication()));
  }
}

bool FocusFollower::setRule(const QString& application, std::optional<ModeButton> button,
                            QString& why) {
  std::string problem;
  if (!saveApplicationRule(application.toStdString(), button, problem)) {
    why = QString::fromStdString(problem);
    return false;
  }
  // The folders it made on the way are watched from now on.
  watchRulesPaths();
  readRules();
  return true;
}

void FocusFollower::readRules() {
  ApplicationRules read = loadApplicationRules();
  for (const std::string& problem : read.problems) {
    if (named_.insert(problem).second) {
      platform::app().systemLog(applicationRulesPath() + ": " + problem + ".\n");
    }
  }
  notifications_.setOn(read.notifications);
  if (applicationModes().setRules(std::move(read.rules)) && stateListener_) stateListener_();
}

// An editor replaces the file, and the folder may not exist yet: the folder
// and its parent are watched, and the file once it is there.
void FocusFollower::watchRulesFile() {
  watchRulesPaths();
  const auto changed = [this] {
    watchRulesPaths();
    readRules();
  };
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, changed);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, changed);
}

void FocusFollower::watchRulesPaths() {
  const QString file = QString::fromStdString(applicationRulesPath());
  const QString folder = QFileInfo(file).path();
  for (const QString& path : {QFileInfo(folder).path(), folder, file}) {
    if (QFileInfo::exists(path) && !watcher_.files().contains(path) &&
        !watcher_.directories().contains(path)) {
      watcher_.addPath(path);
    }
  }
}
