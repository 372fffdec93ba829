#include "app/control_program.h"

#include <QApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "MASShortcuts/qt_menu.h"
#include "app/autostart.h"
#include "app/command_line.h"
#include "app/control_service.h"
#include "app/desktop_keyboard_shortcuts.h"
#include "app/desktop_shortcuts.h"
#include "app/diagnose.h"
#include "app/focus_follower.h"
#include "app/main_window.h"
#include "app/modes_by_application_opener.h"
#include "app/session_bus_probe.h"
#include "app/single_instance.h"
#include "app/standard_streams.h"
#include "app/termination.h"
#include "app/tray.h"
#include "core/app_delegate.h"
#include "core/hotkeys.h"
#include "core/session_capabilities.h"
#include "platform/buses/composite_displays.h"
#include "platform/buses/emulated_displays.h"
#include "platform/buses/linux_display_services.h"
#include "platform/input/idle_source.h"
#include "platform/input/xinput_global_events.h"
#include "platform/input/xkb_keyboard_services.h"
#include "platform/modes/display_mode_owners.h"
#include "platform/platform.h"
#include "platform/qt/graphical_session.h"
#include "platform/qt/program_icon.h"
#include "platform/qt/qt_app_framework.h"
#include "platform/session/session_bus.h"
#include "platform/version.h"
#include "ui/view_controller.h"

namespace {

constexpr int kExposeWaitMs = 1000;
constexpr std::chrono::milliseconds kSessionBusDeadline{1000};

// The launch waits 5 s on the main thread before it installs the event
// monitors; the window is drawn before that, so the user sees it at once.
void showPainted(QWidget& window) {
  window.show();
  QElapsedTimer waited;
  waited.start();
  while ((window.windowHandle() == nullptr || !window.windowHandle()->isExposed()) &&
         waited.elapsed() < kExposeWaitMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  window.repaint();
  QCoreApplication::processEvents();
}

// The display tools' answers are kept until Qt sees the outputs change.
void watchOutputs(platform::modes::DisplayModeOwners& owners) {
  const auto changed = [&owners] { owners.outputsChanged(); };
  const auto watchScreen = [changed](QScreen* screen) {
    QObject::connect(screen, &QScreen::geometryChanged, qApp, changed);
  };
  for (QScreen* screen : QGuiApplication::screens()) watchScreen(screen);
  QObject::connect(qApp, &QGuiApplication::screenAdded, qApp, [changed, watchScreen](QScreen* s) {
    watchScreen(s);
    changed();
  });
  QObject::connect(qApp, &QGuiApplication::screenRemoved, qApp, changed);
}

// X11 input events see the whole of an X11 session; in a Wayland session the
// session's own idle source stands in, and without one idle time is unknown.
std::unique_ptr<platform::input::IdleSource> watchSessionIdle(
    const platform::session::SessionType& session) {
  auto& app = platform::app();
  const std::string described = session.describe();
  app.systemLog((described.rfind("X11", 0) == 0 ? "Running in an " : "Running in a ") + described +
                ".\n");
  auto source = platform::input::startIdleSource(session, [] { sessionActivity(); });
  if (source) {
    app.systemLog("Idle time from " + source->name() + ".\n");
  }
  if (!source && session.wayland) {
    app.systemLog(
        "This Wayland session gives no idle time (no org.gnome.Mutter.IdleMonitor, "
        "ext_idle_notifier_v1 or org_kde_kwin_idle): screen save will not start on its own.\n");
  }
  return source;
}

// The instance lock, or the exit status of a start that must not go on: one
// whose instance runs already, or one that could lock nothing and has no
// session bus name to keep a second worker off the monitor. locked: the
// lock, and not the bus name, keeps this start the only one.
std::optional<int> holdInstanceLock(const base::ModelProfile& model, bool& locked) {
  std::string why;
  const InstanceLock lock = takeInstanceLock(model, why);
  locked = lock == InstanceLock::kTaken;
  if (lock == InstanceLock::kHeldByAnother) {
    // Another instance that this start cannot reach over D-Bus (no session
    // bus, or another one): it alone drives the monitor.
    std::fprintf(stderr, "%s runs already.\n", model.programName);
    return 0;
  }
  if (lock == InstanceLock::kTaken) return std::nullopt;
  // Asked on a connection of its own: the program's default one is made
  // only once its application is there.
  bool busGuards = false;
  {
    const QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "quillmark-lock-check");
    busGuards = bus.isConnected();
  }
  QDBusConnection::disconnectFromBus("quillmark-lock-check");
  std::fprintf(stderr, "%s: no private folder for its instance lock (%s); %s\n", model.programName,
               why.c_str(),
               busGuards ? "the session bus keeps it to one instance"
                         : "without a session bus it does not start unlocked");
  return busGuards ? std::nullopt : std::optional<int>(1);
}

}  // namespace

int runControlProgram(const base::ModelProfile& model, int argc, char** argv) {
  keepStandardStreamsSafe();
  catchTerminationSignals();
  base::selectProfile(model);
  // A wedged bus would hold every D-Bus call; the program then runs without it.
  const bool busAnswers = sessionBusAnswers(kSessionBusDeadline);
  if (!busAnswers) unsetenv("DBUS_SESSION_BUS_ADDRESS");
  Command command;
  bool locked = false;
  {
    // Without a display: the command line may act on the running instance and end here.
    QCoreApplication probe(argc, argv);
    command = parseCommandLine(model, probe);
    if (!busAnswers) {
      const bool needsInstance =
          command.action != Command::kNone && !actsWithoutInstance(command.action);
      std::fprintf(
          stderr, "%s: the session bus does not answer; %s\n", model.programName,
          needsInstance ? "the running program cannot be reached." : "going on without D-Bus.");
      if (needsInstance) return 1;
    }
    if (command.diagnose) {
      // A report on the console, wherever it runs: no window is shown.
      qputenv("QT_QPA_PLATFORM", "offscreen");
    } else if (const std::optional<int> status = handOver(model, command)) {
      return *status;
    } else if (const std::optional<int> status = holdInstanceLock(model, locked)) {
      return *status;
    }
  }
  std::optional<platform::qt::GraphicalSessionGuard> noWindowGuard{
      std::in_place, model.programName,
      "From a text console, use --diagnose or the command-line actions of a running instance"};
  QApplication application(argc, argv);
  noWindowGuard.reset();
  QApplication::setApplicationName(model.programName);
  QApplication::setApplicationVersion(QUILLMARK_VERSION);
  QApplication::setWindowIcon(platform::qt::programIcon());
  QGuiApplication::setDesktopFileName(model.appId);

  const platform::session::SessionType session = platform::session::detectSession();
  // Under Wayland, Xwayland's input events see only what is typed into X
  // windows; the session's own sources stand in for them.
  platform::input::XInputGlobalEvents globalEvents;
  platform::qt::QtAppFramework framework(model.programName,
                                         session.wayland ? nullptr : &globalEvents);
  platform::modes::DisplayModeOwners owners;
  platform::ScreenModes* const modesOwner = owners.forSession(session);
  watchOutputs(owners);
  platform::buses::LinuxDisplayServices realDisplays(
      "/sys/class/drm", "/dev", platform::buses::realI2CSyscalls(), modesOwner);
  platform::buses::EmulatedDisplays emulatedDisplays;
  platform::buses::CompositeDisplays displays({&realDisplays, &emulatedDisplays});
  platform::input::XkbKeyboardServices keyboard(session.wayland);
  keyboard.setSystemHotKeys([&model, session] { return shortcutsInUse(model, session); });
  platform::install({&displays, &framework, &keyboard});
  if (command.diagnose) return printDiagnosis(model);

  AppDelegate delegate;
  watchTermination(delegate);
  MainWindow window;
  MASShortcutValidator::setMainMenuProvider([&window] { return menuFromQt(window.menuBar()); });
  // Owning the bus name makes this the one instance; a start that lost the
  // race to another one shows that one's window and ends, having touched nothing.
  ControlService service(model, window);
  const QDBusConnection bus = platform::session::servedSessionBus();
  if (bus.isConnected() && !service.registerOn(bus)) {
    if (!locked) {
      showRunningInstance(model);
      return 0;
    }
    // The lock says no instance of this user's runs: the name is held by
    // another user's connection on a shared bus, which must not keep the
    // user's own program from starting.
    platform::app().systemLog(std::string("Another connection holds ") + model.appId +
                              " on the session bus: this run offers no D-Bus control.\n");
  }
  if (QString why; !moveAutostartToAppId(model, &why)) {
    platform::app().systemLog("Start at login keeps its former entry: " + why.toStdString() + "\n");
  }
  const auto idleSource = watchSessionIdle(session);
  setSessionCapabilities(idleSource != nullptr || !session.wayland, modesOwner != nullptr);
  DesktopShortcuts desktopShortcuts(model);
  service.setHotkeyPath([&desktopShortcuts] { return desktopShortcuts.path(); });
  Tray tray(model, window);
  framework.setHidesToTray(tray.show());
  FocusFollower focusFollower(model.programName);
  ModesByApplicationOpener modesByApplication(focusFollower);
  const auto openModesByApplication = [&modesByApplication] { modesByApplication.open(); };
  tray.setModesByApplication(openModesByApplication);
  window.setModesByApplication(openModesByApplication);
  service.setModesByApplication(openModesByApplication);
  delegate.beforeLaunchWait = [&window, &command, &desktopShortcuts, &session, &focusFollower,
                               &service] {
    // The desktop is offered the hotkeys as the user set them, in one request:
    // offered before the Parameters are read, the defaults would go first and
    // the user's keys after them, asking GNOME's dialog twice.
    desktopShortcuts.start(session);
    // A rule replaces the user's mode only once the user's mode is known.
    service.setFocusFollower(&focusFollower);
    focusFollower.start(session, service.focusReportTarget());
    ViewController* panel = window.panel();
    panel->UIButtonTextAutoChange();
    panel->ChangeResModeRadio();
    panel->ChangeModeButton();
    if (!command.hidden) showPainted(window);
  };
  QTimer::singleShot(0, [&delegate] { delegate.applicationDidFinishLaunching(); });
  return application.exec();
}
