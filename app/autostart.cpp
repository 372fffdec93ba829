#include "app/autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <string>

#include "base/private_folder.h"
#include "base/regular_file.h"

namespace {

QString autostartEntry(const char* name) {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/autostart/" +
         name + ".desktop";
}

}  // namespace

QString autostartPath(const base::ModelProfile& model) {
  return autostartEntry(model.appId);
}

bool autostartEnabled(const base::ModelProfile& model) {
  return QFileInfo::exists(autostartPath(model));
}

namespace {

bool makeFolder(const QString& folder, QString& why) {
  std::string reason;
  if (base::makeOwnFolder(QFile::encodeName(folder).toStdString(), reason)) return true;
  why = QFile::decodeName(reason.c_str());
  return false;
}

// The private data file's rule for the entry and each folder on its way: a
// part of another user's (a folder, a link or the file) is never written
// through, nor removed.
bool ownPath(const QString& path, QString& why) {
  const std::string foreign = base::foreignPart(QFile::encodeName(path).toStdString());
  if (foreign.empty()) return true;
  why = QString::fromStdString(foreign) + " belongs to another user";
  return false;
}

}  // namespace

bool setAutostart(const base::ModelProfile& model, bool enabled, QString* reason) {
  QString unused;
  QString& why = reason != nullptr ? *reason : unused;
  const QString path = autostartPath(model);
  const QString folder = QFileInfo(path).absolutePath();
  const QString configFolder = QFileInfo(folder).absolutePath();
  if (!enabled) {
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) return true;
    if (!ownPath(path, why)) return false;
    if (QFile::remove(path)) return true;
    why = path + " cannot be removed";
    return false;
  }
  if (!makeFolder(configFolder, why) || !ownPath(folder, why) || !makeFolder(folder, why) ||
      !ownPath(path, why)) {
    return false;
  }
  // The program's own path, so that the entry works from wherever it was installed.
  QString program = QCoreApplication::applicationFilePath();
  if (program.isEmpty()) program = model.programName;
  // TryExec: an entry whose program was uninstalled starts nothing.
  const QString tryExec = program;
  if (program.contains(' ')) program = '"' + program + '"';
  QSaveFile entry(path);
  if (!entry.open(QIODevice::WriteOnly)) {
    why = path + ": " + entry.errorString();
    return false;
  }
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
  if (entry.commit()) return true;
  why = path + ": " + entry.errorString();
  return false;
}

bool moveAutostartToAppId(const base::ModelProfile& model, QString* why) {
  const QString old = autostartEntry(model.programName);
  const QFileInfo entry(old);
  if (!entry.exists() || entry.isSymLink() || !entry.isFile()) return true;
  QString problem;
  if (!ownPath(old, problem)) return true;  // not the program's to move
  if (!autostartEnabled(model) && !setAutostart(model, true, why)) return false;
  if (QFile::remove(old)) return true;
  if (why != nullptr) *why = old + " cannot be removed";
  return false;
}
