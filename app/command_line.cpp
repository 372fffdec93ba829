#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

#include "platform/version.h"

void handleCommandLine(const ModelProfile& model, int argc, char** argv) {
  QCoreApplication probe(argc, argv);
  QCoreApplication::setApplicationName(model.programName);
  QCoreApplication::setApplicationVersion(QUILLMARK_VERSION);
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QString("Control program for the Talvex Quillmark %1 e-ink monitor.").arg(model.modelName));
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  parser.parse(QCoreApplication::arguments());
  if (parser.isSet(help) || parser.isSet("help-all")) parser.showHelp(0);
  if (parser.isSet(version)) parser.showVersion();
  for (const QString& option : parser.unknownOptionNames()) {
    if (option.size() > 1) {
      std::fprintf(stderr, "%s: unknown option --%s\n%s", model.programName, qPrintable(option),
                   qPrintable(parser.helpText()));
      std::exit(2);
    }
  }
}
