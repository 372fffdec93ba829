#include "app/command_messages.h"

#include <cstdio>
#include <cstdlib>

QString printable(const QString& text) {
  constexpr qsizetype kLongest = 300;
  QString shown = text.left(kLongest);
  for (QChar& character : shown) {
    if (!character.isPrint()) character = u'?';
  }
  return text.size() > kLongest ? shown + "..." : shown;
}

void endCommand(const base::ModelProfile& model, const QString& text, int status) {
  std::fprintf(stderr, "%s: %s\n", model.programName, qPrintable(printable(text)));
  std::exit(status);
}
