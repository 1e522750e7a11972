#pragma once

#include <string_view>

namespace tl {

// Whether the bytes start as a picture file does (PNG, JPEG, WebP, GIF, TIFF, HEIF/AVIF): an
// error page or a text answer delivered as an image is refused before anything is written.
bool looksLikePicture(std::string_view bytes);

} // namespace tl
