#include "ui/library/ImageCaptions.h"

#include <gtest/gtest.h>

namespace tl::ui {
namespace {

WallpaperImage at(std::optional<double> altitude, std::optional<double> azimuth)
{
    return { .id = Uuid::random(), .fileName = "f.png", .altitude = altitude, .azimuth = azimuth };
}

TEST(ImageCaptions, PresetLabelsMatchTheSunPositionsOfThePhases)
{
    struct Case {
        std::optional<double> altitude;
        std::optional<double> azimuth;
        std::optional<std::string_view> label;
    };
    for (const auto& c : {
             Case { -0.8, 270, "Sunset" },
             Case { -1.5, 270, std::nullopt },
             Case { -3, 270, "Dusk" },
             Case { -3, 90, "Civil" },
             Case { -30, 12, "Night" },
             Case { 5.5, 93, "Golden AM" },
             Case { 60, 175.01, "Midday" },
             Case { 20, 125, std::nullopt }, // the azimuth test is strict
             Case { std::nullopt, std::nullopt, std::nullopt },
         }) {
        EXPECT_EQ(presetLabel(at(c.altitude, c.azimuth), WallpaperMode::time), c.label)
            << c.altitude.value_or(0) << "/" << c.azimuth.value_or(0);
    }
    EXPECT_FALSE(presetLabel(at(-30, 0), WallpaperMode::appearance));
}

TEST(ImageCaptions, CaptionsShowTheSunPositionOrTheAppearance)
{
    EXPECT_EQ(imageCaption(at(5, 90), WallpaperMode::time), QStringLiteral("Alt: 5.0°  Az: 90.0°"));
    EXPECT_EQ(imageCaption(at(std::nullopt, -12.25), WallpaperMode::time), QStringLiteral("Alt: 0.0°  Az: -12.2°"));
    auto dark = at(0, 0);
    dark.isLight = false;
    EXPECT_EQ(imageCaption(dark, WallpaperMode::appearance), QStringLiteral("Dark"));
    EXPECT_EQ(imageCaption(at(0, 0), WallpaperMode::appearance), QStringLiteral("Light"));
}

} // namespace
} // namespace tl::ui
