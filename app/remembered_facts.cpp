#include "app/remembered_facts.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <string>

#include "base/file_replacement.h"
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

std::vector<std::string> forgetAllFacts(const base::ModelProfile& model) {
  std::vector<std::string> forgotten;
  for (const char* fact : {kShortcutsDeclined, kKdeFormerNameTold}) {
    if (!remembered(model, fact)) continue;
    remember(model, fact, false);
    if (!remembered(model, fact)) forgotten.push_back(factPath(model, fact).toStdString());
  }
  return forgotten;
}

void remember(const base::ModelProfile& model, const char* fact, bool holds) {
  const std::string path = QFile::encodeName(factPath(model, fact)).toStdString();
  std::string why;
  if (!holds) {
    base::removeOwnFile(path, why);
    return;
  }
  if (!base::foreignPart(path).empty() ||
      !base::makeOwnFolders(path.substr(0, path.rfind('/')), why)) {
    return;
  }
  base::replaceOwnFile(path, "", 0600, why);
}
