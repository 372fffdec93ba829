// Renders the programs' icon at the hicolor theme's PNG sizes:
// render_icons OUTPUT_FOLDER writes OUTPUT_FOLDER/SIZExSIZE/apps/quillmark-control.png.

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "platform/qt/program_icon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: render_icons OUTPUT_FOLDER\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString folder = QString("%1/%2x%2/apps").arg(argv[1]).arg(size);
    if (!QDir().mkpath(folder) ||
        !platform::qt::renderProgramIcon(size).save(folder + "/quillmark-control.png")) {
      std::fprintf(stderr, "cannot write the %d pixel icon in %s\n", size, argv[1]);
      return 1;
    }
  }
  return 0;
}
