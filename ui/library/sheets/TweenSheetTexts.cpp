#include "ui/library/sheets/TweenSheetTexts.h"

#include <algorithm>
#include <limits>

namespace tl::ui {

QString tweenSummaryText(int count, bool automatic)
{
    const QString frames = QStringLiteral("Creates %1 interpolated frame%2").arg(count).arg(count == 1 ? "" : "s");
    return frames
        + (automatic ? QStringLiteral(" between each key image and the next one (wraps end to start).")
                     : QStringLiteral(" between the selected image and the next one."));
}

TweenCountEntry readTweenCount(const QString& text, const QLocale& locale)
{
    bool parsed = false;
    const qlonglong value = locale.toLongLong(text.trimmed(), &parsed);
    if (!parsed) return {};
    if (value > maximumTweenCount) return { std::nullopt, QStringLiteral("At most %1 frames").arg(maximumTweenCount) };
    if (value < std::numeric_limits<int>::min()) return { std::numeric_limits<int>::min(), {} };
    return { static_cast<int>(value), {} };
}

int tweenSliderPosition(int count)
{
    return std::clamp(count, sliderMinimumTweenCount, sliderMaximumTweenCount);
}

} // namespace tl::ui
