#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

namespace tl::extension {

// Whether a file starting with these bytes is a TIFF or a BigTIFF.
bool isTiff(const QByteArray& head);

// Reads a TIFF's first picture a strip or a row of tiles at a time through libtiff and, for a
// frame larger than twice longSide, averages the rows down as they arrive, as decodePng does.
// Null when the file does not decode, states a picture too large to, or would need more memory
// than a frame may take; none when its sample layout is one libtiff cannot turn into colours.
std::optional<QImage> decodeTiff(const QString& path, int longSide);

} // namespace tl::extension
