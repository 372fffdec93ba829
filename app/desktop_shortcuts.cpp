#include "app/desktop_shortcuts.h"

#include <QEventLoop>

#include "core/app_delegate.h"
#include "core/parameters.h"
#include "platform/platform.h"

namespace {

// Settings saves the hotkeys into the Parameters; they are looked at this often.
constexpr int kWatchIntervalMs = 2000;
// How long --diagnose waits for the portal's answer.
constexpr int kProbeWaitMs = 3000;

QString triggers(const std::vector<platform::session::PortalShortcut>& list) {
  QStringList all;
  for (const auto& shortcut : list) all << shortcut.preferredTrigger;
  return all.join(',');
}

// The same token at every start keeps the user's own bindings in the desktop.
QString sessionToken(const ModelProfile& model) {
  return QString("quillmark_%1").arg(model.programName).toLower();
}

}  // namespace

DesktopShortcuts::DesktopShortcuts(const ModelProfile& model, AppDelegate& delegate)
    : model_(model), delegate_(delegate) {}

std::vector<platform::session::PortalShortcut> DesktopShortcuts::shortcuts() {
  using platform::session::portalTrigger;
  return {{"contrast-up", "Contrast up",
           portalTrigger(ContrastHotkeyKeyCode, ContrastHotkeyModifierFlags)},
          {"contrast-down", "Contrast down",
           portalTrigger(ContrastHotkeyDownKeyCode, ContrastHotkeyDownModifierFlags)},
          {"refresh", "Refresh", portalTrigger(RefreshHotkeyKeyCode, RefreshHotkeyModifierFlags)}};
}

bool DesktopShortcuts::start(const platform::session::SessionType& session) {
  if (!session.wayland) return false;
  path_ = "the GlobalShortcuts portal (no answer yet)";
  const auto list = shortcuts();
  const auto activated = [this](const QString& id) {
    using Hotkey = AppDelegate::Hotkey;
    if (id == "contrast-up") delegate_.hotkeyPressed(Hotkey::kContrastUp);
    if (id == "contrast-down") delegate_.hotkeyPressed(Hotkey::kContrastDown);
    if (id == "refresh") delegate_.hotkeyPressed(Hotkey::kRefresh);
  };
  const auto registered = [this](uint code) { reportRegistration(code); };
  const bool started = portal_.start(sessionToken(model_), list, activated, registered);
  if (!started) {
    path_ = QString("none (no GlobalShortcuts portal); ") +
            QString::fromStdString(bindAdvice(model_)).trimmed();
    delegate_.globalHotkeysUnavailable = true;
    platform::app().systemLog(std::string("No global shortcuts portal in this session: ") +
                              bindAdvice(model_));
    return false;
  }
  registered_ = triggers(list);
  QObject::connect(&watch_, &QTimer::timeout, [this] {
    const auto now = shortcuts();
    if (triggers(now) == registered_) return;
    registered_ = triggers(now);
    portal_.rebind(now);
  });
  watch_.start(kWatchIntervalMs);
  return true;
}

std::string DesktopShortcuts::bindAdvice(const ModelProfile& model) {
  return std::string("bind ") + model.programName +
         " --contrast-up, --contrast-down and --refresh in the desktop's keyboard settings.\n";
}

// Only the portal's answer tells whether the desktop took the hotkeys.
void DesktopShortcuts::reportRegistration(uint code) {
  auto& app = platform::app();
  if (code == 0) {
    path_ = "the GlobalShortcuts portal (bound)";
    delegate_.globalHotkeysUnavailable = false;
    app.systemLog("Hotkeys registered with the desktop's global shortcuts portal.\n");
    return;
  }
  delegate_.globalHotkeysUnavailable = true;
  path_ = QString("none (the portal answered %1); ").arg(code) +
          QString::fromStdString(bindAdvice(model_)).trimmed();
  app.systemLog("The desktop's global shortcuts portal did not take the hotkeys (response " +
                std::to_string(code) + "): " + bindAdvice(model_));
}

std::optional<uint> DesktopShortcuts::probe(const ModelProfile& model) {
  platform::session::GlobalShortcutsPortal portal;
  std::optional<uint> answer;
  QEventLoop loop;
  if (!portal.start(
          sessionToken(model), shortcuts(), [](const QString&) {},
          [&](uint code) {
            answer = code;
            loop.quit();
          })) {
    return std::nullopt;
  }
  QTimer::singleShot(kProbeWaitMs, &loop, &QEventLoop::quit);
  if (!answer) loop.exec();
  return answer;
}
