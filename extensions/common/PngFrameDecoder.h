#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace tl::extension {

// Whether a file starting with these bytes is a PNG.
bool isPng(const QByteArray& head);

// Reads a PNG row by row at 8 bits per channel (RGB32, or ARGB32 with alpha or a transparent
// colour) and, for a frame larger than twice longSide, averages the rows down as they arrive: a
// small file may hold a 16-bit picture of gigabytes, which is never held whole. The result is at
// most about twice longSide on its longer side; the caller fits it exactly. Null when the file
// does not decode or states a picture too large to.
QImage decodePng(const QString& path, int longSide);

} // namespace tl::extension
