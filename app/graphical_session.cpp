#include "app/graphical_session.h"

#include <QFileInfo>
#include <QLibraryInfo>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  // Qt's own account of the plugins it tried is replaced by the one line below.
  const bool aboutPlatform = context.category != nullptr &&
                             std::strncmp(context.category, "qt.qpa", 6) == 0;
  if (type == QtFatalMsg) {
    std::fprintf(stderr, "%s: %s\n", gProgramName,
                 noGraphicalSessionAdvice(set("WAYLAND_DISPLAY"), set("DISPLAY")));
    std::fflush(stderr);
    std::_Exit(1);
  }
  if (aboutPlatform) return;
  if (gPrevious != nullptr) {
    gPrevious(type, context, message);
  } else {
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
  }
}

}  // namespace

GraphicalSessionGuard::GraphicalSessionGuard(const char* programName) {
  gProgramName = programName;
  gPrevious = qInstallMessageHandler(onQtMessage);
}

GraphicalSessionGuard::~GraphicalSessionGuard() {
  qInstallMessageHandler(gPrevious);
}
