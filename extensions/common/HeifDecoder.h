#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace tl::extension {

// Qt reads no HEIF, so HEIC and HEIF frames go through libheif.

// Whether a file starting with these bytes is a HEIF file libheif can decode.
bool isDecodableHeif(const QByteArray& head);

// The primary image with its stored rotation applied, fitted within longSide x longSide as
// fittedSize() says; null when it does not decode or is too large to.
QImage decodeHeif(const QString& path, int longSide);

} // namespace tl::extension
