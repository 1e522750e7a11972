#pragma once

#include <QIcon>
#include <QStringView>

namespace tl::ui {

// The small sky pictures of the time-of-day presets ("night", "golden_am", "civil_dusk", ...),
// drawn by our own code: a sky gradient, the horizon and the sun at the preset's height.
// An empty icon for a name that has no picture.
QIcon presetArtwork(QStringView name);

} // namespace tl::ui
