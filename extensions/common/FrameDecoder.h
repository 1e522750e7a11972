#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace tl::extension {

// The size that fits `source` within longSide x longSide with its aspect ratio kept; a source
// that already fits keeps its size (a frame is never enlarged).
QSize fittedSize(const QSize& source, int longSide);

// Decodes an image file (anything Qt reads, plus HEIC and HEIF) no larger than needed: the
// result fits within longSide x longSide as fittedSize() says, at 8 bits per channel (RGB32, or
// ARGB32 when the file has alpha). Null when it does not decode.
QImage decodeFrame(const QString& path, int longSide);

} // namespace tl::extension
