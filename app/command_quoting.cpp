#include "app/command_quoting.h"

namespace {

bool plain(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string("_/.,+:@%=-").find(c) != std::string::npos;
}

}  // namespace

std::string shellWord(const std::string& word) {
  bool needsQuotes = word.empty();
  for (const char c : word) needsQuotes = needsQuotes || !plain(c);
  if (!needsQuotes) return word;
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

QString desktopExecWord(const QString& word) {
  const std::string bytes = word.toStdString();
  bool needsQuotes = bytes.empty();
  for (const char c : bytes) needsQuotes = needsQuotes || !plain(c);
  if (!needsQuotes) return word;
  QString quoted = "\"";
  for (const QChar c : word) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  // The value's own escape: every backslash written twice.
  return quoted.replace("\\", "\\\\");
}
