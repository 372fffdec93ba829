#include "app/desktop_shortcuts.h"

#include "core/app_delegate.h"
#include "core/parameters.h"
#include "platform/platform.h"

namespace {

// Settings saves the hotkeys into the Parameters; they are looked at this often.
constexpr int kWatchIntervalMs = 2000;

QString triggers(const std::vector<platform::session::PortalShortcut>& list) {
  QStringList all;
  for (const auto& shortcut : list) all << shortcut.preferredTrigger;
  return all.join(',');
}

}  // namespace

DesktopShortcuts::DesktopShortcuts(const ModelProfile& model, AppDelegate& delegate)
    : model_(model), delegate_(delegate) {}

std::vector<platform::session::PortalShortcut> DesktopShortcuts::shortcuts() const {
  using platform::session::portalTrigger;
  return {{"contrast-up", "Contrast up",
           portalTrigger(ContrastHotkeyKeyCode, ContrastHotkeyModifierFlags)},
          {"contrast-down", "Contrast down",
           portalTrigger(ContrastHotkeyDownKeyCode, ContrastHotkeyDownModifierFlags)},
          {"refresh", "Refresh", portalTrigger(RefreshHotkeyKeyCode, RefreshHotkeyModifierFlags)}};
}

bool DesktopShortcuts::start(const platform::session::SessionType& session) {
  if (!session.wayland) return false;
  const auto list = shortcuts();
  const bool started = portal_.start(QString("quillmark_%1").arg(model_.programName).toLower(),
                                     list, [this](const QString& id) {
                                       using Hotkey = AppDelegate::Hotkey;
                                       if (id == "contrast-up")
                                         delegate_.hotkeyPressed(Hotkey::kContrastUp);
                                       if (id == "contrast-down")
                                         delegate_.hotkeyPressed(Hotkey::kContrastDown);
                                       if (id == "refresh")
                                         delegate_.hotkeyPressed(Hotkey::kRefresh);
                                     });
  auto& app = platform::app();
  if (!started) {
    app.systemLog(std::string("No global shortcuts portal in this session: bind ") +
                  model_.programName +
                  " --contrast-up, --contrast-down and --refresh in the "
                  "desktop's keyboard settings.\n");
    return false;
  }
  app.systemLog("Hotkeys registered with the desktop's global shortcuts portal.\n");
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
