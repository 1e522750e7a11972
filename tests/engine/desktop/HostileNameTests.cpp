#include "DesktopTestSupport.h"
#include "engine/desktop/GnomeBackground.h"
#include "platform/DesktopBackground.h"
#include "support/TestImageFiles.h"

#include <gio/gio.h>
#include <gnome-bg/gnome-bg-slide-show.h>
#include <gtest/gtest.h>

#ifdef TL_TEST_HAS_QML
#include <QCoreApplication>
#include <QJSEngine>
#endif

#include <cstdlib>

namespace tl {
namespace {

namespace fs = std::filesystem;
using namespace desktop;

const std::vector<std::string> kHostileNames = { "Sunset #2", "what?", "100%", "a\rb", "line\u2028sep", "para\u2029sep",
    "bell\x01\x1f", "bad\xff\xfe utf", "quotes \"'&<>", "tab\tnl\n", "non\xEF\xBF\xBF char" };

bool xmllintAccepts(const fs::path& file)
{
    std::string quoted;
    for (const char c : file.string())
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    const std::string command = "xmllint --noout '" + quoted + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

TEST(HostileNames, SlideshowAndListingStayWellFormedAndNameTheirFiles)
{
    if (std::system("command -v xmllint >/dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint is not installed";
    const test::ScratchFolder scratch;
    for (const std::string& name : kHostileNames) {
        SCOPED_TRACE(name);
        const WallpaperSource source { name, { 2, TimeOfDaySchedule { { { 0, 0.25 }, { 1, 0.75 } } } },
            test::flatImages({ 1, 2 }) };
        const auto written = writeGnomeWallpaper(source, {}, userGnomeFolders(scratch.path, name));
        ASSERT_TRUE(written) << written.error().text;
        EXPECT_TRUE(xmllintAccepts(written.value().picture));
        EXPECT_TRUE(xmllintAccepts(written.value().propertiesFile));
        const std::string first = test::firstSlideFile(written.value().picture);
        EXPECT_TRUE(!first.empty() && fs::exists(first)) << first;
    }
}

#ifdef TL_TEST_HAS_QML
// What plasmashell's script engine would store as the wallpaper, or why the script did not run.
std::string imageSetBy(const std::string& script)
{
    static int argc = 1;
    static char name[] = "desktop_tests";
    static char* argv[] = { name, nullptr };
    static QCoreApplication application(argc, argv);
    QJSEngine engine;
    const QJSValue prelude = engine.evaluate("var stored = null;"
                                             "function desktops() { return [{ writeConfig: function(key, value) {"
                                             " if (key === 'Image') stored = value; } }]; }");
    if (prelude.isError()) return "prelude: " + prelude.toString().toStdString();
    const QJSValue run = engine.evaluate(QString::fromStdString(script));
    if (run.isError()) return "error: " + run.toString().toStdString();
    return engine.globalObject().property("stored").toString().toStdString();
}
#endif

TEST(HostileNames, PlasmaScriptParsesAndNamesThePackageByAnEncodedUri)
{
#ifndef TL_TEST_HAS_QML
    GTEST_SKIP() << "Qt's QML module (qt6-declarative-dev) is not installed";
#else
    for (const std::string& name : kHostileNames) {
        SCOPED_TRACE(name);
        const std::string path = "/home/u/wallpapers/" + name;
        g_autofree gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
        ASSERT_NE(uri, nullptr);
        const std::string stored = imageSetBy(plasmaWallpaperScript(uri));
        g_autofree gchar* back = g_filename_from_uri(stored.c_str(), nullptr, nullptr);
        ASSERT_NE(back, nullptr) << stored;
        EXPECT_EQ(std::string(back), path);
        // Any text, even not a URI, survives as a string literal.
        if (g_utf8_validate(name.data(), static_cast<gssize>(name.size()), nullptr)) {
            EXPECT_EQ(imageSetBy(plasmaWallpaperScript(name)), name);
        }
    }
#endif
}

} // namespace
} // namespace tl
