#include "app/control_service.h"

#include <unistd.h>

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QTimer>

#include "app/control_names.h"
#include "app/focus_follower.h"
#include "app/main_window.h"
#include "core/application_modes.h"
#include "core/hotkeys.h"
#include "core/link_state.h"
#include "core/mode_table.h"
#include "core/parameters.h"
#include "core/runtime_flags.h"
#include "ui/state_watch.h"

namespace {

constexpr const char* kInvalidArgs = "org.freedesktop.DBus.Error.InvalidArgs";
// The reply to Quit leaves before the process ends.
constexpr int kQuitDelayMs = 100;

QString validShowModes(unsigned resolution) {
  QStringList modes;
  for (const ModeRow& row : modeRows()) {
    if (row.resolutionMode == resolution) {
      modes << QString("%1 (%2)").arg(row.showMode).arg(row.name);
    }
  }
  return modes.join(", ") +
         (resolution == 1 ? " in the flexible resolution mode" : " in the fixed resolution mode");
}

}  // namespace

ControlService::ControlService(const base::ModelProfile& model, MainWindow& window)
    : model_(model), window_(window) {
  new ControlAdaptor(*this);
}

bool ControlService::registerOn(QDBusConnection bus) {
  if (!bus.isConnected() || !bus.registerService(controlServiceName(model_))) return false;
  bus_ = bus;
  bus_.registerObject(kControlObjectPath, this, QDBusConnection::ExportAdaptors);
  connect(&stateWatch(), &StateWatch::changed, this,
          [this](const MonitorState& before, const MonitorState& now) {
            announceChanges(before, now);
          });
  return true;
}

platform::input::FocusReportTarget ControlService::focusReportTarget() const {
  if (!bus_.isConnected()) return {};
  return {controlServiceName(model_), kControlObjectPath, kControlInterface};
}

void ControlService::announceChanges(const MonitorState& before, const MonitorState& now) {
  QVariantMap changed;
  if (before.online != now.online) changed.insert("Online", now.online);
  if (before.linkLoss != now.linkLoss) {
    changed.insert("LinkLost", QString::fromStdString(now.linkLoss));
  }
  if (before.showMode != now.showMode) changed.insert("ShowMode", uint(now.showMode));
  if (before.threshold != now.threshold) changed.insert("Threshold", uint(now.threshold));
  if (before.thresholdOnMonitor != now.thresholdOnMonitor) {
    changed.insert("ThresholdOnMonitor", now.thresholdOnMonitor);
  }
  if (before.resolutionMode != now.resolutionMode) {
    changed.insert("ResCommMode", uint(now.resolutionMode));
  }
  if (changed.isEmpty()) return;
  QDBusMessage signal = QDBusMessage::createSignal(
      kControlObjectPath, "org.freedesktop.DBus.Properties", "PropertiesChanged");
  signal << QString(kControlInterface) << changed << QStringList();
  bus_.send(signal);
}

ControlAdaptor::ControlAdaptor(ControlService& service)
    : QDBusAbstractAdaptor(&service), service_(service) {}

bool ControlAdaptor::online() const {
  return MonitorOnline.load() == 1;
}
uint ControlAdaptor::showMode() const {
  return ShowMode.load();
}
uint ControlAdaptor::threshold() const {
  return Threshold.load();
}
QString ControlAdaptor::linkLost() const {
  return QString::fromStdString(linkLoss());
}
int ControlAdaptor::thresholdOnMonitor() const {
  return ThresholdOnMonitor.load();
}
uint ControlAdaptor::resCommMode() const {
  return ResCommMode.load();
}
QString ControlAdaptor::modelName() const {
  return service_.model().modelName;
}
QString ControlAdaptor::hotkeys() const {
  return service_.hotkeyPath();
}

QString ControlAdaptor::focusedApplication() const {
  return QString::fromStdString(applicationModes().focusedApplication());
}
QString ControlAdaptor::modeChosenBy() const {
  return applicationModes().ruleInForce() ? "rule" : "user";
}
QString ControlAdaptor::focusSource() const {
  const FocusFollower* follower = service_.focusFollower();
  return follower != nullptr ? follower->source() : "none: not started";
}
QStringList ControlAdaptor::rules() const {
  QStringList listed;
  for (const ApplicationRule& rule : applicationModes().rules()) {
    listed << QString::fromStdString(rule.application) + "=" + buttonWord(rule.button);
  }
  return listed;
}

// Without a monitor there is nothing to step or refresh: the caller is told
// so, as for a mode.
bool ControlAdaptor::fromOwnUser(const QDBusMessage& message) {
  const QDBusReply<uint> caller = service_.bus().interface()->serviceUid(message.service());
  if (caller.isValid() && caller.value() == geteuid()) return true;
  message.setDelayedReply(true);
  service_.bus().send(message.createErrorReply(
      QDBusError::AccessDenied, "only the user who runs the program may control it"));
  return false;
}

void ControlAdaptor::ContrastUp(const QDBusMessage& message) {
  if (!fromOwnUser(message)) return;
  if (!online()) return answer(ActionResult::kOffline, message, {});
  contrastStep(true);
}

void ControlAdaptor::ContrastDown(const QDBusMessage& message) {
  if (!fromOwnUser(message)) return;
  if (!online()) return answer(ActionResult::kOffline, message, {});
  contrastStep(false);
}

void ControlAdaptor::Refresh(const QDBusMessage& message) {
  if (!fromOwnUser(message)) return;
  if (!online()) return answer(ActionResult::kOffline, message, {});
  refreshRequest();
}

// What a desktop's own shortcut runs: the key behaves as the hotkey itself,
// whatever carries it (off in Settings: nothing; offline: as the key grab).
void ControlAdaptor::PressHotkey(const QString& id, const QDBusMessage& message) {
  if (!fromOwnUser(message)) return;
  const std::optional<Hotkey> hotkey = hotkeyNamed(id.toStdString());
  if (!hotkey) {
    return answer(ActionResult::kInvalid, message,
                  "PressHotkey takes contrast-up, contrast-down or refresh");
  }
  hotkeyPressed(*hotkey);
}

void ControlAdaptor::answer(ActionResult result, const QDBusMessage& message, const QString& why) {
  QString name;
  QString text;
  switch (result) {
    case ActionResult::kDone:
    case ActionResult::kUnchanged:
      return;
    case ActionResult::kOffline:
      name = kOfflineError;
      text = "Cannot detect Talvex Display exist";
      break;
    case ActionResult::kInvalid:
      name = kInvalidArgs;
      text = why;
      break;
    case ActionResult::kRefused:
      name = kResolutionRefusedError;
      text = QString("The resolution was not changed: %1").arg(why);
      break;
    case ActionResult::kNotSaved:
      name = kNotSavedError;
      text = QString("In force, but the settings were not saved: %1").arg(why);
      break;
  }
  message.setDelayedReply(true);
  service_.bus().send(message.createErrorReply(name, text));
}

void ControlAdaptor::SetShowMode(uint mode, const QDBusMessage& message) {
  if (!fromOwnUser(message)) return;
  const unsigned resolution = ResCommMode.load() == 1 ? 1 : 2;
  std::string failure;
  const ActionResult result = chooseShowMode(mode, &failure);
  answer(result, message,
         result == ActionResult::kNotSaved
             ? QString::fromStdString(failure)
             : QString("SetShowMode takes one of %1").arg(validShowModes(resolution)));
}

void ControlAdaptor::SetResolutionMode(uint mode, const QDBusMessage& message) {
  if (!fromOwnUser(message)) return;
  std::string failure;
  const ActionResult result = chooseResolutionMode(mode, &failure);
  answer(result, message,
         result == ActionResult::kRefused || result == ActionResult::kNotSaved
             ? QString::fromStdString(failure)
             : QString("SetResolutionMode takes 1 (flexible) or 2 (fixed 1100x825)"));
}

void ControlAdaptor::SetRule(const QString& application, const QString& mode,
                             const QDBusMessage& message) {
  if (!fromOwnUser(message)) return;
  const std::optional<ModeButton> button = buttonNamed(mode.toStdString());
  FocusFollower* follower = service_.focusFollower();
  QString why;
  if (!button && mode.compare("none", Qt::CaseInsensitive) != 0) {
    why = "SetRule takes A5 (or Floyd), A2, A16 or none";
  } else if (follower == nullptr) {
    why = "the program is still starting";
  } else if (follower->setRule(application, button, why)) {
    return;
  }
  answer(ActionResult::kInvalid, message, why);
}

void ControlAdaptor::ReportFocus(const QString& appId, const QString& windowClass,
                                 const QString& pid, const QDBusMessage& message) {
  if (!fromOwnUser(message)) return;
  FocusFollower* follower = service_.focusFollower();
  if (follower == nullptr) return;
  // Names are short; anything longer is not a window's.
  constexpr qsizetype kLongestName = 255;
  follower->reportedByScript({appId.left(kLongestName).toStdString(),
                              windowClass.left(kLongestName).toStdString(), pid.toLongLong()},
                             message.service());
}

void ControlAdaptor::ShowWindow(const QDBusMessage& message) {
  if (!fromOwnUser(message)) return;
  service_.mainWindow().bringToFront();
}

void ControlAdaptor::ShowModesByApplication(const QDBusMessage& message) {
  if (!fromOwnUser(message)) return;
  service_.openModesByApplication();
}

void ControlAdaptor::Quit(const QDBusMessage& message) {
  if (!fromOwnUser(message)) return;
  QTimer::singleShot(kQuitDelayMs, [] { quitProgram(); });
}
