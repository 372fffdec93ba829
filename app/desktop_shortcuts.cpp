#include "app/desktop_shortcuts.h"

#include <QEventLoop>

#include "app/desktop_keyboard_shortcuts.h"
#include "app/hotkeys_as_set.h"
#include "app/remembered_facts.h"
#include "core/desktop_hotkey_offer.h"
#include "core/hotkeys.h"
#include "core/session_capabilities.h"
#include "platform/input/global_shortcuts_portal.h"
#include "platform/input/gnome_custom_shortcuts.h"
#include "platform/input/kde_shortcut_components.h"
#include "platform/platform.h"

namespace {

using Outcome = platform::input::GlobalShortcutsPortal::Outcome;
using Missing = platform::input::GlobalShortcutsPortal::Missing;

// Settings saves the hotkeys into the Parameters; they are looked at this often.
constexpr int kWatchIntervalMs = 2000;
// How long --diagnose waits for the portal's answer.
constexpr int kLookWaitMs = 3000;

std::vector<platform::input::PortalShortcut> portalShortcuts() {
  std::vector<platform::input::PortalShortcut> list;
  for (const HotkeyAsSet& hotkey : hotkeysAsSet()) {
    list.push_back({QString::fromStdString(hotkey.id), QString::fromStdString(hotkey.label),
                    platform::input::portalTrigger(hotkey.keyCode, hotkey.modifierFlags)});
  }
  return list;
}

// Everything a desktop is told of the hotkeys, to see when Settings changed it.
std::string asSetNow() {
  std::string all;
  for (const HotkeyAsSet& hotkey : hotkeysAsSet()) {
    all += hotkey.id + ' ' + std::to_string(hotkey.keyCode) + ' ' +
           std::to_string(hotkey.modifierFlags) + (hotkey.enabled ? " on;" : " off;");
  }
  return all;
}

// The same token at every start keeps the user's own bindings in the desktop.
QString sessionToken(const base::ModelProfile& model) {
  return QString("quillmark_%1").arg(model.programName).toLower();
}

QString askAgainHint() {
  return "Settings > Hotkeys > Add to GNOME's keyboard shortcuts asks again";
}

QString notBoundSinceCancelled() {
  return "none (not bound since the desktop's shortcut dialog was cancelled; " + askAgainHint() +
         ")";
}

// The portal's refusal, what the desktop said of the program's name, and what to do.
QString refusedByPortal(uint code, const QString& identityProblem,
                        const base::ModelProfile& model) {
  QString why = QString("the portal answered %1").arg(code);
  if (!identityProblem.isEmpty()) why += "; " + identityProblem;
  return "none (" + why + "); " +
         QString::fromStdString(DesktopShortcuts::bindAdvice(model)).trimmed();
}

}  // namespace

DesktopShortcuts::DesktopShortcuts(const base::ModelProfile& model)
    : model_(model), portal_(model.appId) {}

bool DesktopShortcuts::start(const platform::session::SessionType& session) {
  if (!session.wayland) return false;
  kde_ = session.isKde();
  asSet_ = asSetNow();
  QObject::connect(&watch_, &QTimer::timeout, [this] { followSettings(); });
  if (portal_.available()) {
    startPortal(session.isGnome());
  } else if (session.isGnome() && platform::input::gnomeCustomShortcutsAvailable()) {
    startGnomeShortcuts();
  } else {
    if (!session.isGnome() && !session.isKde()) {
      desktopHotkeyOffer().configurationLines = [this] { return swayBindings(model_); };
    }
    const QString foreign = portal_.identityProblem();
    setCarried(
        false,
        QString("none (%1); ").arg(foreign.isEmpty() ? "no GlobalShortcuts portal" : foreign) +
            QString::fromStdString(bindAdvice(model_)).trimmed());
    platform::app().systemLog((foreign.isEmpty()
                                   ? std::string("No global shortcuts portal in this session")
                                   : foreign.toStdString()) +
                              ": " + bindAdvice(model_));
    return false;
  }
  watch_.start(kWatchIntervalMs);
  return true;
}

void DesktopShortcuts::startPortal(bool gnome) {
  path_ = "the GlobalShortcuts portal (no answer yet)";
  const auto activated = [this](const QString& id) {
    if (const std::optional<Hotkey> hotkey = hotkeyNamed(id.toStdString())) {
      hotkeyPressed(*hotkey);
    }
  };
  // Once the user cancelled the desktop's dialog, a start does not ask again.
  const Missing missing = remembered(model_, kShortcutsDeclined) ? Missing::kLeave : Missing::kBind;
  portal_.start(sessionToken(model_), portalShortcuts(), missing, activated,
                [this](Outcome outcome, uint code) { settled(outcome, code); });
  if (!gnome) return;
  DesktopHotkeyOffer& offer = desktopHotkeyOffer();
  offer.takesBack = false;
  offer.held = [this] { return !sessionCapabilities().globalHotkeysUnavailable.load(); };
  offer.set = [this](bool on, std::string& why) {
    if (!on) {
      why = "the hotkeys GNOME holds are changed or removed in GNOME's Settings > Keyboard";
      return false;
    }
    remember(model_, kShortcutsDeclined, false);
    portal_.rebind(portalShortcuts(), true);
    return true;
  };
}

void DesktopShortcuts::startGnomeShortcuts() {
  gnomeShortcutsOn_ = gnomeShortcutsHeld(model_);
  const auto describe = [this] {
    setCarried(gnomeShortcutsOn_,
               gnomeShortcutsOn_
                   ? QString("GNOME's own keyboard shortcuts")
                   : QString("none (no GlobalShortcuts portal); add them to GNOME's keyboard "
                             "shortcuts: Settings > Hotkeys, or %1 --desktop-shortcuts on")
                         .arg(model_.programName));
  };
  describe();
  if (!gnomeShortcutsOn_) {
    platform::app().systemLog(
        std::string("No global shortcuts portal in this session: the hotkeys can be added to "
                    "GNOME's keyboard shortcuts in Settings, or with ") +
        model_.programName + " --desktop-shortcuts on.\n");
  }
  DesktopHotkeyOffer& offer = desktopHotkeyOffer();
  offer.takesBack = true;
  offer.held = [this] { return gnomeShortcutsHeld(model_); };
  offer.set = [this, describe](bool on, std::string& why) {
    if (!setGnomeShortcuts(model_, on, why)) return false;
    gnomeShortcutsOn_ = on;
    describe();
    return true;
  };
}

void DesktopShortcuts::setCarried(bool carried, const QString& path) {
  path_ = path;
  setGlobalHotkeysCarried(carried);
}

// Only the portal's answer tells whether the desktop took the hotkeys.
void DesktopShortcuts::settled(Outcome outcome, uint code) {
  auto& app = platform::app();
  const std::string advice = bindAdvice(model_);
  switch (outcome) {
    case Outcome::kBound:
      remember(model_, kShortcutsDeclined, false);
      setCarried(true, "the GlobalShortcuts portal (bound)");
      app.systemLog("Hotkeys registered with the desktop's global shortcuts portal.\n");
      tellOfFormerKdeBindings();
      return;
    case Outcome::kCancelled:
      remember(model_, kShortcutsDeclined, true);
      setCarried(false,
                 "none (the desktop's shortcut dialog was cancelled; " + askAgainHint() + ")");
      app.systemLog(
          "The desktop's shortcut dialog was cancelled: the hotkeys are not bound, and "
          "a start does not ask again (" +
          askAgainHint().toStdString() + ").\n");
      return;
    case Outcome::kNotBound:
      setCarried(false, notBoundSinceCancelled());
      app.systemLog(
          "The hotkeys are not bound: the desktop's shortcut dialog was cancelled "
          "before (" +
          askAgainHint().toStdString() + ").\n");
      return;
    case Outcome::kRefused:
      break;
  }
  setCarried(false, refusedByPortal(code, portal_.identityProblem(), model_));
  app.systemLog("The desktop's global shortcuts portal did not take the hotkeys (response " +
                std::to_string(code) + "): " + advice);
  if (!portal_.identityProblem().isEmpty()) {
    app.systemLog(
        "The desktop cannot name this program: " + portal_.identityProblem().toStdString() +
        ". The portal knows a program by its "
        "installed desktop file: install the package, or copy " +
        model_.appId + ".desktop (packaging/ in the source) into ~/.local/share/applications.\n");
  }
}

// Plasma keeps a program's shortcuts under its app id once the portal knows
// it, and under "token_<session token>" before: what the user bound under the
// former name is not carried over, and the user is told so once.
void DesktopShortcuts::tellOfFormerKdeBindings() {
  const QString former = "token_" + sessionToken(model_);
  if (!kde_ || !portal_.namedByAppId() || remembered(model_, kKdeFormerNameTold) ||
      !platform::input::kdeShortcutComponentExists(former)) {
    return;
  }
  remember(model_, kKdeFormerNameTold, true);
  platform::app().systemLog(std::string("Plasma now keeps the hotkeys under ") + model_.appId +
                            ": keys bound in System Settings under the former name (" +
                            former.toStdString() +
                            ") are not carried over; bind them again in System Settings > "
                            "Shortcuts if you had changed them.\n");
}

// A hotkey changed, turned on or off in Settings reaches the desktop: a new
// portal session binds the changed ones; GNOME's own entries are rewritten.
void DesktopShortcuts::followSettings() {
  const std::string now = asSetNow();
  if (now == asSet_) return;
  asSet_ = now;
  if (!desktopHotkeyOffer().takesBack || !desktopHotkeyOffer().offered()) {
    // A cancelled dialog holds until Settings' button asks again, which
    // binds the hotkeys as they are then.
    if (remembered(model_, kShortcutsDeclined)) return;
    // Hotkeys the desktop does not hold yet are asked for again: the user
    // acted in Settings.
    portal_.rebind(portalShortcuts(), sessionCapabilities().globalHotkeysUnavailable.load());
    return;
  }
  if (!gnomeShortcutsOn_) return;
  if (std::string why; !setGnomeShortcuts(model_, true, why)) {
    platform::app().systemLog("GNOME's keyboard shortcuts do not follow Settings: " + why + "\n");
  }
}

std::vector<std::string> DesktopShortcuts::forgetDesktopEntries(const base::ModelProfile& model) {
  std::vector<std::string> removed;
  if (platform::input::gnomeCustomShortcutsAvailable() && gnomeShortcutsHeld(model)) {
    std::string why;
    if (setGnomeShortcuts(model, false, why)) removed.push_back("GNOME's keyboard shortcuts");
  }
  // Plasma 6 names the component by the app id (by "token_<token>" before
  // the portal knew app ids), Plasma 5.27 by the session token.
  for (const QString& component :
       {QString(model.appId), "token_" + sessionToken(model), sessionToken(model)}) {
    if (platform::input::removeKdeShortcutComponent(component)) {
      removed.push_back("KDE's global shortcuts (" + component.toStdString() + ")");
    }
  }
  return removed;
}

std::string DesktopShortcuts::bindAdvice(const base::ModelProfile& model) {
  return std::string("bind ") + model.programName +
         " --hotkey contrast-up, --hotkey contrast-down and --hotkey refresh in the desktop's "
         "keyboard settings.\n";
}

QString DesktopShortcuts::lookWithoutInstance(const base::ModelProfile& model,
                                              const platform::session::SessionType& session) {
  if (!session.wayland) return session.x11 ? "X11 key grab" : "none (no graphical session)";
  platform::input::GlobalShortcutsPortal portal(model.appId);
  if (portal.available()) {
    std::optional<std::pair<Outcome, uint>> answer;
    QEventLoop loop;
    portal.look(sessionToken(model), portalShortcuts(), [&](Outcome outcome, uint code) {
      answer = std::make_pair(outcome, code);
      loop.quit();
    });
    if (!answer) {
      QTimer::singleShot(kLookWaitMs, &loop, &QEventLoop::quit);
      loop.exec();
    }
    if (!answer) return "the GlobalShortcuts portal (it did not answer)";
    if (answer->first == Outcome::kBound) return "the GlobalShortcuts portal (bound)";
    if (answer->first == Outcome::kNotBound && remembered(model, kShortcutsDeclined)) {
      return notBoundSinceCancelled();
    }
    if (answer->first == Outcome::kNotBound) {
      return QString("the GlobalShortcuts portal (not bound yet: %1 binds them at its start%2)")
          .arg(model.programName, session.isGnome() ? ", when GNOME asks once" : "");
    }
    return refusedByPortal(answer->second, portal.identityProblem(), model);
  }
  if (session.isGnome() && platform::input::gnomeCustomShortcutsAvailable()) {
    if (gnomeShortcutsHeld(model)) return "GNOME's own keyboard shortcuts";
    return QString(
               "none (no GlobalShortcuts portal); add them to GNOME's keyboard shortcuts: "
               "%1 --desktop-shortcuts on, or Settings > Hotkeys")
        .arg(model.programName);
  }
  if (!session.isGnome() && !session.isKde()) {
    return "none (no GlobalShortcuts portal); paste the bindsym lines above into the desktop's "
           "configuration";
  }
  return "none (no GlobalShortcuts portal); " + QString::fromStdString(bindAdvice(model)).trimmed();
}
