#pragma once

#include <QImage>
#include <QString>

namespace tl::extension {

// Decodes an image file through the app's own decoders, so both programs show the pixels the app
// shows: the same formats, limits and colour profiles converted to sRGB. The result fits within
// longSide x longSide with its aspect ratio kept and is never enlarged, at 8 bits per channel
// (RGB32, or ARGB32 when the file has alpha). Null when it does not decode or is too large to.
QImage decodeFrame(const QString& path, int longSide);

} // namespace tl::extension
