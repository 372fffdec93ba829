#include "app/forget.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <string>
#include <vector>

#include "app/autostart.h"
#include "app/desktop_shortcuts.h"
#include "app/remembered_facts.h"
#include "app/single_instance.h"

int forgetFromCommandLine(const base::ModelProfile& model) {
  if (instanceLockHeld(model)) {
    std::fprintf(stderr, "%s runs: quit it first, then forget what it left in the desktop.\n",
                 model.programName);
    return 1;
  }
  std::vector<std::string> removed = DesktopShortcuts::forgetDesktopEntries(model);
  bool complete = true;
  if (QFileInfo(autostartPath(model)).isFile()) {
    QString why;
    if (setAutostart(model, false, &why)) {
      removed.push_back("start at login (" + autostartPath(model).toStdString() + ")");
    } else {
      std::fprintf(stderr, "%s: start at login stays: %s\n", model.programName, qPrintable(why));
      complete = false;
    }
  }
  for (const std::string& fact : forgetAllFacts(model)) removed.push_back(fact);
  if (removed.empty()) {
    std::printf("%s left nothing in this desktop to remove.\n", model.programName);
  } else {
    std::printf("%s removed:\n", model.programName);
    for (const std::string& what : removed) std::printf("  %s\n", what.c_str());
  }
  std::printf(
      "Your settings (~/.QuillMark) and log (~/tl.log) stay; remove them by hand if you "
      "wish.\n");
  return complete ? 0 : 1;
}
