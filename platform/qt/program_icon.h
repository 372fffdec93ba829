#pragma once
// The programs' icon (a monitor showing a mountain), drawn in code so that
// it needs no image plugin: every window carries it, and the build renders
// the PNG sizes of the hicolor theme from it.

#include <QIcon>
#include <QImage>

namespace platform::qt {

QImage renderProgramIcon(int size);
// The icon at the theme's sizes, from 16 to 256 pixels.
QIcon programIcon();

}  // namespace platform::qt
