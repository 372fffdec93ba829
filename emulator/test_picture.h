#pragma once
// The picture the emulator's preview shows: one made in code (a grey ramp and
// wedge, text at several sizes, a landscape with fine detail) or the user's
// own file, fitted to the monitor's picture size.

#include <QImage>
#include <QSize>
#include <QString>

namespace emulator {

// Grayscale8, at the size given.
QImage makeTestPicture(QSize size);

// Reads any format Qt reads, refusing files that are not regular files, larger
// than 64 MiB or that would decode to more than 64 megapixels.
bool loadPicture(const QString& path, QImage& picture, QString& why);

// The picture scaled to cover the size and cut to it, centred, in Grayscale8.
QImage fitted(const QImage& picture, QSize size);

}  // namespace emulator
