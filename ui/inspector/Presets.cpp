#include "ui/inspector/Presets.h"

#include "app/AppState.h"

namespace tl::ui {

void applyPreset(AppState& appState, double altitude, double azimuth)
{
    auto image = appState.selectedImage();
    if (!image) return;
    image->altitude = altitude;
    image->azimuth = azimuth;
    appState.updateImage(*image);
}

void setLight(AppState& appState, bool isLight)
{
    auto image = appState.selectedImage();
    if (!image) return;
    image->isLight = isLight;
    appState.updateImage(*image);
}

} // namespace tl::ui
