#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace tl::extension {

// The largest picture decoded, the same bound as the app's: no side beyond the largest export
// canvas and no more pixels than a 16384 x 16384 square. Checked against the file's header, before
// the decoder allocates what a small hostile file may claim.
bool isTooLargeToDecode(const QSize& stored);

// The size that fits `source` within longSide x longSide with its aspect ratio kept; a source
// that already fits keeps its size (a frame is never enlarged).
QSize fittedSize(const QSize& source, int longSide);

// Decodes an image file (anything Qt reads, plus HEIC and HEIF) no larger than needed: the
// result fits within longSide x longSide as fittedSize() says, at 8 bits per channel (RGB32, or
// ARGB32 when the file has alpha). Null when it does not decode or is too large to.
QImage decodeFrame(const QString& path, int longSide);

} // namespace tl::extension
