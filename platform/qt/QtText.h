#pragma once

#include "platform/Text.h"

#include <QString>

#include <string_view>

namespace tl {

// The model keeps its texts as UTF-8; Qt wants them as QString.
inline QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A name from a file, a package or a server as the window draws it: control, bidirectional and
// line-breaking characters spelled out, so it reads on one line in the order it was written.
inline QString toDisplayText(std::string_view text)
{
    return toQString(escapedForDisplay(text));
}

// A title for a button or a menu item, where Qt reads a single "&" as a keyboard mnemonic:
// every "&" is doubled so the text shows as written ("Save & Quit", "Rock & Roll"). Titles carry
// names too (recent projects, undo steps), so they are display-escaped as well.
inline QString toQtLabel(std::string_view text)
{
    return toDisplayText(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace tl
