#include "app/autostart.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <string>

#include "app/command_quoting.h"
#include "base/file_replacement.h"
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

// The entry the program writes for itself; its own keys, which a move to the
// app id's name writes afresh (the program's path may have changed).
QString freshEntry(const base::ModelProfile& model) {
  // The program's own path, so that the entry works from wherever it was installed.
  QString program = QCoreApplication::applicationFilePath();
  if (program.isEmpty()) program = model.programName;
  // TryExec: an entry whose program was uninstalled starts nothing. A path
  // there is a plain string; in Exec it is an argument, quoted by the
  // entry's own rules.
  QString tryExec = program;
  tryExec.replace("\\", "\\\\");
  program = desktopExecWord(program);
  return QString(
             "[Desktop Entry]\n"
             "Type=Application\n"
             "Name=%1\n"
             "Comment=Keeps the Talvex Quillmark %2 in step all session\n"
             "TryExec=%4\n"
             "Exec=%3 --hidden\n"
             "Icon=quillmark-control\n"
             "Terminal=false\n"
             "X-GNOME-Autostart-enabled=true\n")
      .arg(model.programName, model.modelName, program, tryExec);
}

const QStringList kOwnKeys = {"Type", "Name", "Comment", "TryExec", "Exec", "Icon", "Terminal"};

// The fresh entry with what the desktop or the user wrote into the former
// one carried over: Hidden, X-GNOME-Autostart-enabled=false (turned off in
// the desktop's settings), translations, other groups.
QString carriedEntry(const QString& fresh, const QString& former) {
  QStringList lines = fresh.split('\n', Qt::SkipEmptyParts);
  QStringList otherGroups;
  bool inMainGroup = false;
  for (const QString& line : former.split('\n', Qt::SkipEmptyParts)) {
    if (line.startsWith('[')) inMainGroup = line.trimmed() == "[Desktop Entry]";
    if (!inMainGroup) {
      otherGroups << line;
      continue;
    }
    const QString key = line.section('=', 0, 0).trimmed();
    if (line.startsWith('#') || !line.contains('=') || kOwnKeys.contains(key)) continue;
    const auto same = std::find_if(lines.begin(), lines.end(), [&key](const QString& own) {
      return own.section('=', 0, 0).trimmed() == key;
    });
    if (same != lines.end()) {
      *same = line;
    } else {
      lines << line;
    }
  }
  return (lines + otherGroups).join('\n') + '\n';
}

// The former entry's text, "" when it cannot be read as a regular file.
QString readEntry(const QString& path) {
  constexpr size_t kMaxEntryBytes = 64 * 1024;
  std::string text;
  if (base::readRegularFile(QFile::encodeName(path).toStdString(), kMaxEntryBytes, text) !=
      base::OpenOutcome::kOpened) {
    return {};
  }
  return QString::fromUtf8(text);
}

bool writeEntry(const QString& path, const QString& text, QString& why) {
  const QString folder = QFileInfo(path).absolutePath();
  const QString configFolder = QFileInfo(folder).absolutePath();
  if (!makeFolder(configFolder, why) || !ownPath(folder, why) || !makeFolder(folder, why)) {
    return false;
  }
  std::string problem;
  if (base::replaceOwnFile(QFile::encodeName(path).toStdString(), text.toStdString(), 0644,
                           problem)) {
    return true;
  }
  why = QFile::decodeName(problem.c_str());
  return false;
}

bool removeEntry(const QString& path, QString& why) {
  std::string problem;
  if (base::removeOwnFile(QFile::encodeName(path).toStdString(), problem)) return true;
  why = QFile::decodeName(problem.c_str());
  return false;
}

}  // namespace

bool setAutostart(const base::ModelProfile& model, bool enabled, QString* reason) {
  QString unused;
  QString& why = reason != nullptr ? *reason : unused;
  const QString path = autostartPath(model);
  if (!enabled) return removeEntry(path, why);
  return writeEntry(path, freshEntry(model), why);
}

bool moveAutostartToAppId(const base::ModelProfile& model, QString* reason) {
  QString unused;
  QString& why = reason != nullptr ? *reason : unused;
  const QString old = autostartEntry(model.programName);
  const QFileInfo entry(old);
  if (!entry.exists() || entry.isSymLink() || !entry.isFile()) return true;
  QString problem;
  if (!ownPath(old, problem)) return true;  // not the program's to move
  // Moved only onto nothing or onto the user's own entry: a folder, a link
  // or another user's file there would lose start at login with the old one.
  const QFileInfo target(autostartPath(model));
  if (target.exists() || target.isSymLink()) {
    if (target.isSymLink() || !target.isFile() || target.ownerId() != geteuid()) {
      why = autostartPath(model) + " is not an entry of yours: start at login keeps " + old;
      return false;
    }
  } else if (!writeEntry(target.filePath(), carriedEntry(freshEntry(model), readEntry(old)), why)) {
    return false;
  }
  return removeEntry(old, why);
}
