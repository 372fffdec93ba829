#include "platform/qt/kde_shortcuts_in_use.h"

#include <QKeySequence>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <sstream>

#include "base/regular_file.h"
#include "platform/qt/standard_shortcuts.h"

namespace platform::qt {
namespace {

// KDE's file holds a few hundred lines; more is not its.
constexpr size_t kMostBytes = 1024 * 1024;
constexpr size_t kMostShortcuts = 4096;

// "Alt+F4\tMeta+Q,Alt+F4,Close Window": the first field, unescaped, split
// at its tabs. KConfig escapes a comma inside a field as "\,".
QStringList activeShortcuts(const std::string& value) {
  std::string first;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      const char next = value[++i];
      first += next == 't' ? '\t' : next;
    } else if (value[i] == ',') {
      break;
    } else {
      first += value[i];
    }
  }
  return QString::fromStdString(first).split('\t', Qt::SkipEmptyParts);
}

}  // namespace

std::vector<SystemHotKey> kdeShortcutsInText(const std::string& text, const std::string& ownAppId) {
  std::vector<SystemHotKey> list;
  std::istringstream lines(text);
  std::string line;
  bool skipped = false;
  while (std::getline(lines, line) && list.size() < kMostShortcuts) {
    if (!line.empty() && line.front() == '[') {
      skipped = !ownAppId.empty() && line.find(ownAppId) != std::string::npos;
      continue;
    }
    const size_t equals = line.find('=');
    if (skipped || equals == std::string::npos || line.compare(0, 3, "_k_") == 0) continue;
    for (const QString& shortcut : activeShortcuts(line.substr(equals + 1))) {
      if (shortcut == "none") continue;
      const QKeySequence sequence = QKeySequence::fromString(shortcut, QKeySequence::PortableText);
      if (sequence.count() != 1) continue;
      if (const auto hotKey = systemHotKeyOf(sequence[0])) list.push_back(*hotKey);
    }
  }
  return list;
}

std::vector<SystemHotKey> kdeShortcutsInUse(const std::string& path, const std::string& ownAppId) {
  std::string text;
  if (base::readRegularFile(path, kMostBytes, text) != base::OpenOutcome::kOpened) return {};
  return kdeShortcutsInText(text, ownAppId);
}

std::string kdeShortcutsFile() {
  return (QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
          "/kglobalshortcutsrc")
      .toStdString();
}

}  // namespace platform::qt
