#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace tl::extension {

// Whether a file starting with these bytes is a WebP.
bool isWebp(const QByteArray& head);

// A still WebP decoded straight to the size fittedSize() gives for longSide, so no full-size copy
// is ever made (a lossless one still takes its decoder's full-size working picture). Null when
// the file does not decode, is animated, or states a picture too large to.
QImage decodeWebp(const QString& path, int longSide);

} // namespace tl::extension
