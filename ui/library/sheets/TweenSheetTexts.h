#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace tl::ui {

// The largest count the tween sheet's field takes; more would only exhaust memory and disk.
inline constexpr int maximumTweenCount = 100;
// The slider's range.
inline constexpr int sliderMinimumTweenCount = 1;
inline constexpr int sliderMaximumTweenCount = 20;

// The sentence under the slider, e.g. "Creates 3 interpolated frames between the selected image
// and the next one."
QString tweenSummaryText(int count, bool automatic);

// What the count field's text means: a count to use, or nothing with the hint shown beside the
// field. Counts below 1 pass; the run refuses them.
struct TweenCountEntry {
    std::optional<int> count;
    QString hint;
};
TweenCountEntry readTweenCount(const QString& text, const QLocale& locale = QLocale());

// The slider's position for a count: the count kept within the slider's range.
int tweenSliderPosition(int count);

} // namespace tl::ui
