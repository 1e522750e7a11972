#include "DesktopTestSupport.h"
#include "engine/desktop/DesktopInstall.h"
#include "support/TestImageFiles.h"

#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace tl {
namespace {

namespace fs = std::filesystem;
using namespace desktop;

// Records what it was asked to set; fails when told to.
class RecordingBackground final : public DesktopBackground {
public:
    Result<void, DesktopSettingError> setGnomePictures(const fs::path& picture, const fs::path& dark) override
    {
        gnomeCalls.push_back({ picture, dark });
        return {};
    }
    Result<void, DesktopSettingError> setPlasmaPackage(const fs::path& package) override
    {
        plasmaCalls.push_back(package);
        if (refusal) return DesktopSettingError { *refusal };
        return {};
    }
    std::vector<std::pair<fs::path, fs::path>> gnomeCalls;
    std::vector<fs::path> plasmaCalls;
    std::optional<std::string> refusal;
};

DesktopFamily familyOf(const char* currentDesktop)
{
    return runningDesktop(
        FixedEnvironment(std::map<std::string, std::string, std::less<>> { { "XDG_CURRENT_DESKTOP", currentDesktop } }))
        .family;
}

std::string gsettingsString(GSettings* settings, const char* key)
{
    gchar* value = g_settings_get_string(settings, key);
    std::string text = value;
    g_free(value);
    return text;
}

TEST(DesktopSetting, LightAndDarkKeysReadBackThroughGSettings)
{
    const test::ScratchFolder scratch;
    // Only a keyfile under the scratch folder is ever written, never the user's settings.
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    setenv("XDG_CONFIG_HOME", (scratch.path / "config").c_str(), 1);
    GSettingsBackend* backend = g_settings_backend_get_default();
    ASSERT_STREQ(G_OBJECT_TYPE_NAME(backend), "GKeyfileSettingsBackend");
    g_object_unref(backend);

    const WallpaperSource source { "Pair", { 2, AppearancePair { 1, 0 } }, test::flatImages({ 25, 230 }) };
    const auto gio = makeGioDesktopBackground();
    const auto report
        = installDesktopWallpaper(source, {}, scratch.path / "data", { DesktopFamily::gnome, "ubuntu:GNOME" }, *gio);
    ASSERT_TRUE(report) << report.error().text;
    EXPECT_TRUE(report.value().applied);

    const fs::path folder = scratch.path / "data" / "backgrounds" / "Pair";
    g_autoptr(GSettings) settings = g_settings_new("org.gnome.desktop.background");
    EXPECT_EQ(gsettingsString(settings, "picture-uri"), "file://" + (folder / "2.png").string());
    EXPECT_EQ(gsettingsString(settings, "picture-uri-dark"), "file://" + (folder / "1.png").string());
    EXPECT_EQ(gsettingsString(settings, "picture-options"), "zoom");
    EXPECT_NE(
        test::readBytes(scratch.path / "config/glib-2.0/settings/keyfile").find(folder.string()), std::string::npos);

    const std::string listing = test::readBytes(scratch.path / "data/gnome-background-properties/Pair.xml");
    EXPECT_NE(listing.find("<filename>" + (folder / "2.png").string() + "</filename>"), std::string::npos);
    EXPECT_NE(listing.find("<filename-dark>" + (folder / "1.png").string() + "</filename-dark>"), std::string::npos);
}

TEST(DesktopSetting, EachDesktopGetsItsOwnFormAndOthersAreToldWhereTheFilesAre)
{
    EXPECT_EQ(familyOf("ubuntu:GNOME"), DesktopFamily::gnome);
    EXPECT_EQ(familyOf("KDE"), DesktopFamily::plasma);
    EXPECT_EQ(familyOf("XFCE"), DesktopFamily::other);
    EXPECT_EQ(runningDesktop(FixedEnvironment()).family, DesktopFamily::other);

    const test::ScratchFolder scratch;
    const SolarSchedule schedule { { { 0, { 30, 120 } }, { 1, { -10, 300 } } } };
    const WallpaperSource timed { "Day", { 2, schedule }, test::flatImages({ 200, 20 }) };
    const SolarDay day { { 52.37, 4.90 }, { 2026, 6, 21 }, TimeZone::fixed(7200) };

    RecordingBackground gnome;
    const auto onGnome
        = installDesktopWallpaper(timed, day, scratch.path / "g", { DesktopFamily::gnome, "GNOME" }, gnome);
    ASSERT_TRUE(onGnome) << onGnome.error().text;
    const fs::path slideshow = scratch.path / "g/backgrounds/Day/Day.xml";
    ASSERT_EQ(gnome.gnomeCalls.size(), 1u);
    // Time mode shows the same slideshow in dark style too, not a stale dark picture.
    EXPECT_EQ(gnome.gnomeCalls[0], std::pair(slideshow, slideshow));

    RecordingBackground elsewhere;
    const auto onXfce
        = installDesktopWallpaper(timed, day, scratch.path / "x", { DesktopFamily::other, "XFCE" }, elsewhere);
    ASSERT_TRUE(onXfce);
    EXPECT_FALSE(onXfce.value().applied);
    EXPECT_TRUE(elsewhere.gnomeCalls.empty() && elsewhere.plasmaCalls.empty());
    const std::string told = onXfce.value().messages.back();
    EXPECT_NE(told.find("\"XFCE\""), std::string::npos) << told;
    EXPECT_NE(told.find((scratch.path / "x/backgrounds/Day").string()), std::string::npos) << told;
    EXPECT_TRUE(fs::exists(scratch.path / "x/backgrounds/Day/Day.xml"));

    RecordingBackground plasma;
    plasma.refusal = "Plasma did not take the wallpaper: no plasmashell.";
    const auto onPlasma
        = installDesktopWallpaper(timed, day, scratch.path / "p", { DesktopFamily::plasma, "KDE" }, plasma);
    ASSERT_FALSE(onPlasma);
    EXPECT_EQ(onPlasma.error().kind, DesktopError::Kind::settings);
    EXPECT_NE(onPlasma.error().text.find("no plasmashell"), std::string::npos);
    EXPECT_NE(onPlasma.error().text.find((scratch.path / "p/wallpapers/Day").string()), std::string::npos);
    EXPECT_EQ(plasma.plasmaCalls, std::vector { scratch.path / "p/wallpapers/Day" });

    // A folder name with a quote cannot end the script's string early.
    const std::string script = plasmaWallpaperScript("file:///home/a/\"); evil(\"");
    EXPECT_NE(script.find("\"file:///home/a/\\\"); evil(\\\"\""), std::string::npos) << script;
}

} // namespace
} // namespace tl
