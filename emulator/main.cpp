// quillmark-emulator: a Quillmark monitor in software, served as a display on
// a Unix socket, driven from standard input and shown in a window.

#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <thread>

#include "emulator/commands_text.h"
#include "emulator/emulator_console.h"
#include "emulator/emulator_server.h"
#include "emulator/emulator_window.h"
#include "emulator/test_picture.h"
#include "emulator/wire_log.h"
#include "platform/qt/graphical_session.h"
#include "platform/qt/program_icon.h"
#include "platform/version.h"

namespace {

// A terminal's commands are read only while the emulator is the terminal's
// foreground job: started with '&' it keeps serving, where a read would have
// the shell stop it ("Stopped (tty input)"), and reads once brought forward.
// False at the end of the input.
bool readCommand(std::string& line) {
  using namespace std::chrono_literals;
  for (;;) {
    while (isatty(STDIN_FILENO) && tcgetpgrp(STDIN_FILENO) != getpgrp()) {
      std::this_thread::sleep_for(200ms);
    }
    if (std::getline(std::cin, line)) return true;
    // With SIGTTIN ignored, a read from the background fails with EIO instead.
    if (std::cin.eof() || !isatty(STDIN_FILENO) || errno != EIO) return false;
    std::cin.clear();
  }
}

struct Options {
  emulator::Model model = emulator::Model::Alto;
  emulator::DisplaySettings display;
  std::string wireLog;
  std::string image;
  bool headless = false;
  bool strictTiming = false;
};

void usage(std::FILE* stream = stderr) {
  std::fprintf(stream,
               "usage: quillmark-emulator [--model alto|tenor] [--size WxH] [--modes WxH,...]\n"
               "                          [--wire-log FILE] [--strict-timing] [--image FILE]\n"
               "                          [--headless] [--help] [--version]\n"
               "--modes: the display modes offered (default %s)\n"
               "--image: the picture the window shows drawn by each mode (any format Qt reads;\n"
               "  default a test picture)\n"
               "--strict-timing: like a real monitor, refuse a message that comes less than\n"
               "  50 ms after a write\n"
               "commands on standard input:\n%s",
               kEmulatorDefaultModes, kEmulatorCommandsHelp);
}

bool parseModes(const std::string& list, std::vector<platform::buses::ModeSize>& modes) {
  modes.clear();
  std::istringstream in(list);
  std::string item;
  while (std::getline(in, item, ',')) {
    platform::buses::ModeSize mode;
    if (!emulator::parseSize(item, mode.width, mode.height)) return false;
    modes.push_back(mode);
  }
  return !modes.empty() && modes.size() <= platform::buses::kMaxModes;
}

bool parseOptions(int argc, char** argv, Options& options) {
  parseModes(kEmulatorDefaultModes, options.display.modes);
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--help" || option == "-h") {
      usage(stdout);
      std::exit(0);
    } else if (option == "--version") {
      std::printf("quillmark-emulator %s\n", QUILLMARK_VERSION);
      std::exit(0);
    } else if (option == "--strict-timing") {
      options.strictTiming = true;
    } else if (option == "--headless") {
      options.headless = true;
    } else if (option == "--model" && hasValue) {
      const std::string model = argv[++i];
      if (model != "alto" && model != "tenor") return false;
      options.model = model == "alto" ? emulator::Model::Alto : emulator::Model::Tenor;
    } else if (option == "--size" && hasValue) {
      if (!emulator::parseSize(argv[++i], options.display.width, options.display.height)) {
        return false;
      }
    } else if (option == "--modes" && hasValue) {
      if (!parseModes(argv[++i], options.display.modes)) return false;
    } else if (option == "--image" && hasValue) {
      options.image = argv[++i];
    } else if (option == "--wire-log" && hasValue) {
      options.wireLog = argv[++i];
    } else {
      return false;
    }
  }
  return true;
}

uint64_t millisecondsSinceStart() {
  static const auto start = std::chrono::steady_clock::now();
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - start)
                                   .count());
}

std::mutex gQuitMutex;
std::condition_variable gQuitCondition;
bool gQuit = false;

void requestQuit(bool headless) {
  {
    std::lock_guard<std::mutex> lock(gQuitMutex);
    gQuit = true;
  }
  gQuitCondition.notify_all();
  if (!headless)
    QMetaObject::invokeMethod(
        qApp, [] { QApplication::quit(); }, Qt::QueuedConnection);
}

// The socket to remove at exit().
std::string gSocketPath;

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) {
    usage();
    return 2;
  }
  if (options.headless && !options.image.empty()) {
    std::fprintf(stderr, "--image is shown in the window: without one (--headless) it is unused\n");
  }
  // SIGINT, SIGTERM and SIGHUP are taken by one thread so that the socket is always removed.
  sigset_t terminationSignals;
  sigemptyset(&terminationSignals);
  sigaddset(&terminationSignals, SIGINT);
  sigaddset(&terminationSignals, SIGTERM);
  sigaddset(&terminationSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &terminationSignals, nullptr);
  signal(SIGTTIN, SIG_IGN);  // see readCommand

  millisecondsSinceStart();
  emulator::QuillmarkMonitor monitor(options.model, millisecondsSinceStart);
  monitor.setStrictTiming(options.strictTiming);
  emulator::WireLog wireLog;
  if (!options.wireLog.empty() && !wireLog.open(options.wireLog)) {
    std::fprintf(stderr, "cannot write the wire log %s\n", options.wireLog.c_str());
    return 1;
  }
  // The window, once there is one, hears of every message and change too.
  std::atomic<emulator::EmulatorWindow*> shown{nullptr};
  monitor.setObserver([&wireLog, &shown](const emulator::WireRecord& record) {
    wireLog.write(emulator::toJson(record));
    if (emulator::EmulatorWindow* window = shown.load()) window->noteMessage(record);
  });
  emulator::EmulatorServer server(monitor, options.display);
  server.setModeObserver([&wireLog, &shown](uint32_t width, uint32_t height) {
    wireLog.write(emulator::modeChangeJson(millisecondsSinceStart(), width, height));
    if (emulator::EmulatorWindow* window = shown.load()) window->noteChange();
  });
  std::string why;
  if (!server.start(platform::buses::socketDirectory(), why)) {
    std::fprintf(stderr, "cannot serve a display in %s: %s\n",
                 platform::buses::socketDirectory().c_str(), why.c_str());
    return 1;
  }
  // The window's end by the loss of its X display goes through exit().
  gSocketPath = server.socketPath();
  std::atexit([] { unlink(gSocketPath.c_str()); });
  // The display is opened before "serving" is said: without one, one line
  // says what to do instead. It is opened once the socket serves, so that a
  // session bus that hangs Qt's start (a stopped daemon) never keeps the
  // monitor from the programs.
  std::unique_ptr<QApplication> application;
  if (!options.headless) {
    const platform::qt::GraphicalSessionGuard noWindowGuard(
        "quillmark-emulator", "Without a window, run it with --headless");
    application = std::make_unique<QApplication>(argc, argv);
  }
  std::fprintf(stdout, "serving %s on %s\n",
               options.model == emulator::Model::Alto ? "Alto" : "Tenor",
               server.socketPath().c_str());
  std::fflush(stdout);

  std::unique_ptr<emulator::EmulatorWindow> window;
  if (!options.headless) {
    QApplication::setWindowIcon(platform::qt::programIcon());
    QGuiApplication::setDesktopFileName("quillmark-emulator");
    QImage picture;
    QString why;
    if (!options.image.empty() &&
        !emulator::loadPicture(QString::fromStdString(options.image), picture, why)) {
      std::fprintf(stderr, "cannot show the image %s: %s\n", options.image.c_str(),
                   why.toLocal8Bit().constData());
      server.stop();
      return 1;
    }
    window = std::make_unique<emulator::EmulatorWindow>(monitor, server, picture);
    shown = window.get();
    window->show();
  }
  const bool headless = options.headless;
  std::thread([headless, &terminationSignals] {
    int received = 0;
    sigwait(&terminationSignals, &received);
    requestQuit(headless);
  }).detach();
  std::thread([headless, &server, &monitor, &shown] {
    std::string line;
    while (readCommand(line)) {
      std::string error;
      bool quit = false;
      if (!emulator::runConsoleCommand(server, monitor, line, error, quit))
        std::fprintf(stderr, "%s\n", error.c_str());
      if (emulator::EmulatorWindow* window = shown.load()) window->noteChange();
      if (quit) {
        requestQuit(headless);
        return;
      }
    }
    // End of input (started in the background): keep serving until a signal.
  }).detach();

  if (application) {
    application->exec();
  } else {
    std::unique_lock<std::mutex> lock(gQuitMutex);
    gQuitCondition.wait(lock, [] { return gQuit; });
  }
  server.stop();
  // Not fflush(nullptr): that would wait for stdin's lock, held by the reader thread.
  std::fflush(stdout);
  std::fflush(stderr);
  _exit(0);
}
