#pragma once

#include <QString>

#include <string_view>

namespace tl {

// The model keeps its texts as UTF-8; Qt wants them as QString.
inline QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A title for a button or a menu item, where Qt reads a single "&" as a keyboard mnemonic:
// every "&" is doubled so the text shows as written ("Save & Quit", "Rock & Roll").
inline QString toQtLabel(std::string_view text)
{
    return toQString(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace tl
