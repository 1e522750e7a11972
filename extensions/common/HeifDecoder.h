#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace tl::extension {

// Qt reads no HEIF, so HEIC and HEIF frames go through libheif.

// Whether a file starting with these bytes is a HEIF file libheif can decode.
bool isDecodableHeif(const QByteArray& head);

// The primary image at full size, with its stored rotation applied; null when it does not decode
// or is too large to.
QImage decodeHeif(const QString& path);

} // namespace tl::extension
