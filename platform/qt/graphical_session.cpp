#include "platform/qt/graphical_session.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace platform::qt {

namespace {

const char* gProgramName = "";
const char* gWithoutDisplay = "";
QtMessageHandler gPrevious = nullptr;

bool set(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

// Asked of Qt's own plugins rather than by file name: Qt 6.11 merged the
// per-shell Wayland plugins into one of another name. Each platform plugin's
// metadata names the platforms it serves ("wayland", "wayland-egl", ...),
// read without loading the plugin.
bool waylandPluginInstalled() {
  for (const QString& folder : QCoreApplication::libraryPaths()) {
    const QDir platforms(folder + "/platforms");
    for (const QString& file : platforms.entryList(QDir::Files)) {
      const QJsonArray keys = QPluginLoader(platforms.filePath(file))
                                  .metaData()
                                  .value("MetaData")
                                  .toObject()
                                  .value("Keys")
                                  .toArray();
      for (const QJsonValue& key : keys) {
        if (key.toString().startsWith("wayland")) return true;
      }
    }
  }
  return false;
}

// What is missing, for the session the environment describes.
std::string noGraphicalSessionAdvice() {
  if (set("QT_QPA_PLATFORM")) {
    return std::string("cannot open a window through the platform QT_QPA_PLATFORM names (") +
           std::getenv("QT_QPA_PLATFORM") +
           "): unset QT_QPA_PLATFORM to use the session's own display";
  }
  if (set("WAYLAND_DISPLAY") && !waylandPluginInstalled()) {
    return "cannot open a window on this Wayland desktop: install Qt's Wayland plugin "
           "(sudo apt install qt6-wayland), or XWayland";
  }
  if (set("WAYLAND_DISPLAY")) return "cannot reach the Wayland display named by WAYLAND_DISPLAY";
  if (set("DISPLAY")) return "cannot open a window on the X display named by DISPLAY";
  return std::string(
             "needs a graphical session (X11 or Wayland); none was found (DISPLAY and "
             "WAYLAND_DISPLAY are unset). ") +
         gWithoutDisplay;
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
  // Qt's own word on the cause is the last thing it said before giving up.
  const QString cause = gHeld.empty() ? QString() : gHeld.back().formatted.simplified().left(200);
  std::fprintf(stderr, "%s: %s%s\n", gProgramName, noGraphicalSessionAdvice().c_str(),
               cause.isEmpty() ? "" : qPrintable(" (Qt: " + cause + ")"));
  std::fflush(stderr);
  std::_Exit(1);
}

}  // namespace

GraphicalSessionGuard::GraphicalSessionGuard(const char* programName, const char* withoutDisplay) {
  gProgramName = programName;
  gWithoutDisplay = withoutDisplay;
  gPrevious = qInstallMessageHandler(onQtMessage);
}

GraphicalSessionGuard::~GraphicalSessionGuard() {
  qInstallMessageHandler(gPrevious);
  for (const HeldMessage& held : gHeld) qt_message_output(held.type, {}, held.formatted);
  gHeld.clear();
}

}  // namespace platform::qt
