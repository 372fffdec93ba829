#include "ui/state_watch.h"

#include <QCoreApplication>

#include "core/link_state.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "core/session_capabilities.h"

namespace {
// Often enough that a change looks immediate, rarely enough to cost nothing.
constexpr int kLookIntervalMs = 250;
}  // namespace

MonitorState MonitorState::now() {
  const DetectionProblem problem = lastDetectionProblem();
  MonitorState state;
  state.online = MonitorOnline.load() == 1;
  state.showMode = ShowMode.load();
  state.threshold = Threshold.load();
  state.thresholdOnMonitor = ThresholdOnMonitor.load();
  state.resolutionMode = ResCommMode.load();
  state.language = Language.load();
  state.problem = problem.cause;
  state.problemBus = problem.bus;
  state.linkLoss = ::linkLoss();
  state.detectionFinished = problem.finished;
  state.hotkeysLocal = sessionCapabilities().globalHotkeysUnavailable.load();
  return state;
}

StateWatch::StateWatch(QObject* parent) : QObject(parent), state_(MonitorState::now()) {
  connect(&timer_, &QTimer::timeout, this, [this] { look(); });
  timer_.start(kLookIntervalMs);
}

void StateWatch::look() {
  MonitorState now = MonitorState::now();
  if (now == state_) return;
  std::swap(now, state_);
  emit changed(now, state_);
}

// Owned by the application, so it ends with the event loop it runs on.
StateWatch& stateWatch() {
  static StateWatch* watch = new StateWatch(QCoreApplication::instance());
  return *watch;
}
