#include "app/graphical_session.h"

#include <QFileInfo>
#include <QLibraryInfo>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const char* gProgramName = "";
QtMessageHandler gPrevious = nullptr;

bool set(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

bool waylandPluginInstalled() {
  return QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                           "/platforms/libqwayland-generic.so");
}

// What is missing, for the session the environment describes.
const char* noGraphicalSessionAdvice(bool waylandDisplay, bool x11Display) {
  if (waylandDisplay && !waylandPluginInstalled()) {
    return "cannot open a window on this Wayland desktop: install Qt's Wayland plugin "
           "(sudo apt install qt6-wayland), or XWayland";
  }
  if (waylandDisplay) return "cannot reach the Wayland display named by WAYLAND_DISPLAY";
  if (x11Display) return "cannot open a window on the X display named by DISPLAY";
  return "needs a graphical session (X11 or Wayland); none was found (DISPLAY and "
         "WAYLAND_DISPLAY are unset). From a text console, use --diagnose or the command-line "
         "actions of a running instance";
}

// What Qt says while it opens the display waits here: when it finds none,
// the one line below stands for all of it.
struct HeldMessage {
  QtMsgType type;
  QString formatted;
};
std::vector<HeldMessage> gHeld;

void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    gHeld.push_back({type, qFormatLogMessage(type, context, message)});
    return;
  }
  std::fprintf(stderr, "%s: %s\n", gProgramName,
               noGraphicalSessionAdvice(set("WAYLAND_DISPLAY"), set("DISPLAY")));
  std::fflush(stderr);
  std::_Exit(1);
}

}  // namespace

GraphicalSessionGuard::GraphicalSessionGuard(const char* programName) {
  gProgramName = programName;
  gPrevious = qInstallMessageHandler(onQtMessage);
}

GraphicalSessionGuard::~GraphicalSessionGuard() {
  qInstallMessageHandler(gPrevious);
  for (const HeldMessage& held : gHeld) qt_message_output(held.type, {}, held.formatted);
  gHeld.clear();
}
