#include "platform/input/kwin_focus_script.h"

#include <QDBusMessage>
#include <cstdlib>

#include "base/file_replacement.h"
#include "platform/session/trusted_peer.h"

namespace platform::input {
namespace {

constexpr int kCallDeadlineMs = 2000;
constexpr const char* kScripting = "org.kde.kwin.Scripting";

// The window's desktop file name, its class where KWin gives it as text (6;
// 5.27 gives bytes, left out), and its pid, all as strings: KWin hands
// script numbers to D-Bus as doubles.
constexpr const char* kScript = R"(// Tells %1 which application has the focus.
function report(window) {
  if (!window) return;
  var windowClass = typeof window.resourceClass === "string" ? window.resourceClass : "";
  callDBus("%1", "%2", "%3", "ReportFocus", String(window.desktopFileName || ""), windowClass,
           String(window.pid || 0));
}
if (workspace.windowActivated) {
  workspace.windowActivated.connect(report);
  report(workspace.activeWindow);
} else {
  workspace.clientActivated.connect(report);
  report(workspace.activeClient);
}
)";

}  // namespace

KWinFocusScript::~KWinFocusScript() {
  if (!kwin_.isEmpty()) {
    QDBusMessage unload =
        QDBusMessage::createMethodCall(kwin_, "/Scripting", kScripting, "unloadScript");
    unload << pluginName_;
    bus_.call(unload, QDBus::Block, kCallDeadlineMs);
  }
  std::string ignored;
  if (!scriptPath_.empty()) base::removeOwnFile(scriptPath_, ignored);
}

bool KWinFocusScript::start(const FocusReportTarget& target, std::string& why) {
  bus_ = QDBusConnection::sessionBus();
  QString problem;
  const std::optional<QString> kwin = session::trustedOwner(bus_, "org.kde.KWin", problem);
  if (!kwin) {
    why = problem.toStdString();
    return false;
  }
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || runtime[0] != '/') {
    why = "no runtime folder (XDG_RUNTIME_DIR) to hand KWin the script from";
    return false;
  }
  pluginName_ = "quillmark-focus-" + target.service;
  const std::string path = std::string(runtime) + "/" + pluginName_.toStdString() + ".js";
  const QString script = QString(kScript).arg(target.service, target.path, target.interface);
  if (!base::replaceOwnFile(path, script.toStdString(), 0600, why)) return false;
  scriptPath_ = path;
  const auto call = [this, &kwin](const char* method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(*kwin, "/Scripting", kScripting, method);
    message.setArguments(arguments);
    return bus_.call(message, QDBus::Block, kCallDeadlineMs);
  };
  // One left by a run that did not end cleanly would report twice.
  call("unloadScript", {pluginName_});
  const QDBusMessage loaded = call("loadScript", {QString::fromStdString(path), pluginName_});
  if (loaded.type() != QDBusMessage::ReplyMessage || loaded.arguments().size() != 1 ||
      loaded.arguments()[0].toInt() < 0) {
    why = "KWin did not load the focus script: " + loaded.errorMessage().toStdString();
    return false;
  }
  kwin_ = *kwin;
  const QDBusMessage started = call("start", {});
  if (started.type() != QDBusMessage::ReplyMessage) {
    why = "KWin did not run the focus script: " + started.errorMessage().toStdString();
    return false;
  }
  return true;
}

}  // namespace platform::input
