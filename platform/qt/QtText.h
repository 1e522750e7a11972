#pragma once

#include <QString>

#include <string_view>

namespace tl {

// The model keeps its texts as UTF-8; Qt wants them as QString.
inline QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace tl
