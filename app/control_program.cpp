#include "app/control_program.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>

#include "MASShortcuts/qt_menu.h"
#include "app/command_line.h"
#include "app/control_service.h"
#include "app/desktop_shortcuts.h"
#include "app/diagnose.h"
#include "app/main_window.h"
#include "app/tray.h"
#include "core/app_delegate.h"
#include "platform/composite_displays.h"
#include "platform/emulated/emulated_displays.h"
#include "platform/linux/linux_display_services.h"
#include "platform/linux/xinput_global_events.h"
#include "platform/linux/xkb_keyboard_services.h"
#include "platform/linux/xrandr_screen.h"
#include "platform/platform.h"
#include "platform/qt/program_icon.h"
#include "platform/qt/qt_app_framework.h"
#include "platform/session/idle_source.h"
#include "platform/session/kscreen_doctor.h"
#include "platform/session/mutter_display_config.h"
#include "platform/session/wlr_randr.h"
#include "platform/version.h"

namespace {

int gSignalPipe[2] = {-1, -1};
constexpr int kExposeWaitMs = 1000;

void forwardSignal(int) {
  const char signalled = 1;
  [[maybe_unused]] ssize_t written = write(gSignalPipe[1], &signalled, 1);
}

// SIGTERM, SIGINT, SIGHUP and the end of the desktop session are
// terminations through the platform: the delegate's termination runs, then
// the process ends. The session manager's save request is not one: the user
// may still cancel the logout.
void watchTermination(AppDelegate& delegate) {
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [&delegate] {
    delegate.applicationWillTerminate();
    platform::app().exitProcess(0);
  });
  struct sigaction action {};
  action.sa_handler = forwardSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp,
                   [&delegate] { delegate.applicationWillTerminate(); });
}

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

// The X server owns the monitor's display modes in an X11 session; in a
// Wayland session the compositor does: GNOME's over D-Bus, KDE's through
// kscreen-doctor, wlroots' through wlr-randr. nullptr: nobody this program can ask.
struct DisplayModeOwners {
  platform::linux_backend::XRandRScreen xrandr;
  platform::session::MutterDisplayConfig mutter;
  platform::session::KScreenDoctor kscreen;
  platform::session::WlrRandr wlroots;

  platform::ScreenModes* forSession(const platform::session::SessionType& session) {
    using namespace platform::session;
    if (!session.wayland) return &xrandr;
    if (MutterDisplayConfig::available()) return &mutter;
    if (session.isKde() && KScreenDoctor::available()) return &kscreen;
    if (!session.isGnome() && !session.isKde() && WlrRandr::available()) return &wlroots;
    return nullptr;
  }
};

// X11 input events see the whole of an X11 session; in a Wayland session the
// session's own idle source stands in, and without one idle time is unknown.
std::unique_ptr<platform::session::IdleSource> watchSessionIdle(
    const platform::session::SessionType& session, AppDelegate& delegate) {
  auto& app = platform::app();
  app.systemLog("Running in a " + session.describe() + ".\n");
  auto source =
      platform::session::startIdleSource(session, [&delegate] { delegate.sessionActivity(); });
  if (source) {
    app.systemLog("Idle time from " + source->name() + ".\n");
  }
  if (!source && session.wayland) {
    delegate.idleTimeKnown = false;
    app.systemLog(
        "This Wayland session gives no idle time (no org.gnome.Mutter.IdleMonitor, "
        "ext_idle_notifier_v1 or org_kde_kwin_idle): screen save will not start on its own.\n");
  }
  return source;
}

}  // namespace

int runControlProgram(const ModelProfile& model, int argc, char** argv) {
  selectProfile(model);
  Command command;
  {
    // Without a display: the command line may act on the running instance and end here.
    QCoreApplication probe(argc, argv);
    command = parseCommandLine(model, probe);
    if (command.diagnose) {
      // A report on the console, wherever it runs: no window is shown.
      qputenv("QT_QPA_PLATFORM", "offscreen");
    } else if (const std::optional<int> status = handOver(model, command)) {
      return *status;
    }
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(model.programName);
  QApplication::setApplicationVersion(QUILLMARK_VERSION);
  QApplication::setWindowIcon(platform::programIcon());
  QGuiApplication::setDesktopFileName(model.programName);

  platform::linux_backend::XInputGlobalEvents globalEvents;
  platform::QtAppFramework framework(model.programName, &globalEvents);
  const platform::session::SessionType session = platform::session::detectSession();
  DisplayModeOwners owners;
  platform::ScreenModes* const modesOwner = owners.forSession(session);
  platform::linux_backend::LinuxDisplayServices realDisplays(
      "/sys/class/drm", "/dev", platform::linux_backend::realI2CSyscalls(), modesOwner);
  emulated::EmulatedDisplays emulatedDisplays;
  platform::CompositeDisplays displays({&realDisplays, &emulatedDisplays});
  platform::linux_backend::XkbKeyboardServices keyboard;
  platform::install({&displays, &framework, &keyboard});
  if (command.diagnose) return diagnose(model);

  MainWindow window;
  MASShortcutValidator::setMainMenuProvider([&window] { return menuFromQt(window.menuBar()); });
  AppDelegate delegate;
  // Owning the bus name makes this the one instance; a start that lost the
  // race to another one shows that one's window and ends, having touched nothing.
  ControlService service(model, window, delegate);
  const QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected() && !service.registerOn(bus)) {
    showRunningInstance(model);
    return 0;
  }
  const auto idleSource = watchSessionIdle(session, delegate);
  delegate.displayModesChangeable = modesOwner != nullptr;
  DesktopShortcuts desktopShortcuts(model, delegate);
  desktopShortcuts.start(session);
  Tray tray(model, window, delegate);
  framework.setHidesToTray(tray.show());
  if (!command.hidden) showPainted(window);
  watchTermination(delegate);
  QTimer::singleShot(0, [&delegate] { delegate.applicationDidFinishLaunching(); });
  return application.exec();
}
