// A window of another application for the focus runs: its app id (Wayland)
// and application name (X11's WM_CLASS) are the first argument. It stays
// until it is killed.
#include <QGuiApplication>
#include <QRasterWindow>

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  if (argc < 2) return 2;
  QGuiApplication::setApplicationName(argv[1]);
  QGuiApplication::setDesktopFileName(argv[1]);
  QRasterWindow window;
  window.setTitle(argv[1]);
  window.resize(200, 150);
  window.show();
  return application.exec();
}
