// The floor for any Qt desktop tool on this machine: one window that does nothing.

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QLabel window("minimal Qt program");
  window.setWindowTitle("minimal-qt");
  window.resize(480, 240);
  window.show();
  return application.exec();
}
