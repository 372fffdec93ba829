#include "app/remembered_facts.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "base/private_folder.h"
#include "base/regular_file.h"

namespace {

QString factPath(const base::ModelProfile& model, const char* fact) {
  QString state = qEnvironmentVariable("XDG_STATE_HOME");
  if (!QDir::isAbsolutePath(state)) state = QDir::homePath() + "/.local/state";
  return state + "/quillmark/" + model.appId + "." + fact;
}

}  // namespace

bool remembered(const base::ModelProfile& model, const char* fact) {
  const QFileInfo file(factPath(model, fact));
  return file.isFile() && !file.isSymLink() && file.ownerId() == geteuid();
}

void remember(const base::ModelProfile& model, const char* fact, bool holds) {
  const QString path = factPath(model, fact);
  if (!holds) {
    if (remembered(model, fact)) QFile::remove(path);
    return;
  }
  const std::string folder = QFile::encodeName(QFileInfo(path).absolutePath()).toStdString();
  std::string why;
  if (!base::foreignPart(QFile::encodeName(path).toStdString()).empty() ||
      !base::makeOwnFolders(folder, why)) {
    return;
  }
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.commit();
}
