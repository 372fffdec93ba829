#include "app/autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

QString autostartPath(const ModelProfile& model) {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/autostart/" +
         model.programName + ".desktop";
}

bool autostartEnabled(const ModelProfile& model) {
  return QFileInfo::exists(autostartPath(model));
}

bool setAutostart(const ModelProfile& model, bool enabled) {
  const QString path = autostartPath(model);
  if (!enabled) return !QFileInfo::exists(path) || QFile::remove(path);
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  // The program's own path, so that the entry works from wherever it was installed.
  QString program = QCoreApplication::applicationFilePath();
  if (program.isEmpty()) program = model.programName;
  // TryExec: an entry whose program was uninstalled starts nothing.
  const QString tryExec = program;
  if (program.contains(' ')) program = '"' + program + '"';
  QSaveFile entry(path);
  if (!entry.open(QIODevice::WriteOnly)) return false;
  entry.write(QString("[Desktop Entry]\n"
                      "Type=Application\n"
                      "Name=%1\n"
                      "Comment=Keeps the Talvex Quillmark %2 in step all session\n"
                      "TryExec=%4\n"
                      "Exec=%3 --hidden\n"
                      "Icon=quillmark-control\n"
                      "Terminal=false\n"
                      "X-GNOME-Autostart-enabled=true\n")
                  .arg(model.programName, model.modelName, program, tryExec)
                  .toUtf8());
  return entry.commit();
}
