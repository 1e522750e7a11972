// Reads exported wallpapers with the command-line tools installed by the dependency script, which share
// nothing with our writer: heif-info and heif-convert (libheif), exiftool, and Python's plistlib.

#include "engine/HeicGenerator.h"

#include "ExportTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

namespace tl {
namespace {

namespace fs = std::filesystem;

std::string run(const std::string& command)
{
    std::string output;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    while (const std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, read);
    pclose(pipe);
    return output;
}

bool haveTool(const std::string& name)
{
    return !run("command -v " + name).empty();
}

std::string quoted(const fs::path& path)
{
    return "'" + path.string() + "'";
}

class ExternalReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test::canEncodeHeic()) GTEST_SKIP() << "no HEVC encoder";
        for (const char* tool : { "heif-info", "heif-convert", "exiftool", "python3" })
            if (!haveTool(tool)) GTEST_SKIP() << tool << " is not installed";
    }

    WallpaperImage photo(const std::string& name, int seed, std::optional<double> altitude) const
    {
        const fs::path path = scratch.path / name;
        EXPECT_TRUE(cv::imwrite(path.string(), test::syntheticPhoto(80, 48, seed)));
        return test::frameImage(path, altitude);
    }

    // The desktop property, from the XMP packet exiftool extracts, decoded by plistlib as sorted JSON.
    std::string desktopRecord(const std::string& property) const
    {
        const std::string xmp = run("exiftool -b -XMP " + quoted(output));
        const std::regex attribute("apple_desktop:" + property + "=\"([^\"]*)\"");
        std::smatch match;
        if (!std::regex_search(xmp, match, attribute)) return "no property in: " + xmp;
        return run("python3 -c 'import base64, json, plistlib, sys; "
                   "print(json.dumps(plistlib.loads(base64.b64decode(sys.argv[1], validate=True)), sort_keys=True), "
                   "end=\"\")' "
            + match[1].str());
    }

    // heif-info's account of the file: image lines in order and the compatible brands.
    std::vector<std::string> imageLines() const
    {
        std::vector<std::string> lines;
        const std::string info = run("heif-info " + quoted(output));
        const std::regex image("image: [^\\n]*");
        for (auto it = std::sregex_iterator(info.begin(), info.end(), image); it != std::sregex_iterator(); ++it)
            lines.push_back(it->str());
        return lines;
    }

    double convertedDifference(int index, const WallpaperImage& source) const
    {
        const cv::Mat converted = cv::imread((scratch.path / ("out-" + std::to_string(index) + ".png")).string());
        const cv::Mat expected = cv::imread(*source.sourcePath);
        if (converted.size() != expected.size()) return 255;
        return cv::norm(converted, expected, cv::NORM_L1) / static_cast<double>(expected.total() * 3);
    }

    test::ScratchFolder scratch;
    const fs::path output = scratch.path / "wallpaper.heic";
    HeicGenerator generator;
};

TEST_F(ExternalReaderTest, TimeModeReadsBackInOrderWithItsSolarTable)
{
    const std::vector<WallpaperImage> images { photo("night.png", 1, -18), photo("noon.png", 2, 61.25),
        photo("dusk.png", 3, -2) };
    ASSERT_TRUE(generator.generate(images, WallpaperMode::time, output, std::nullopt));

    const auto lines = imageLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("80x48"), std::string::npos);
    EXPECT_NE(lines[0].find("primary"), std::string::npos);
    EXPECT_EQ(lines[1].find("primary"), std::string::npos);
    const std::string info = run("heif-info " + quoted(output));
    EXPECT_NE(info.find("compatible brands: mif1, heic"), std::string::npos) << info;
    EXPECT_EQ(info.find("heic, miaf, mif1"), std::string::npos) << "brands repeat: " << info;

    EXPECT_EQ(desktopRecord("solar"),
        R"({"si": [{"a": -18.0, "i": 0, "o": 0, "z": 54.0}, {"a": 61.25, "i": 1, "o": 1, "z": 212.5}, )"
        R"({"a": -2.0, "i": 2, "o": 0, "z": 86.0}]})");

    run("heif-convert " + quoted(output) + " " + quoted(scratch.path / "out.png"));
    for (int i = 0; i < 3; ++i)
        EXPECT_LT(convertedDifference(i + 1, images[i]), 4) << "image " << i;
}

TEST_F(ExternalReaderTest, AppearanceModeReadsBackLightThenDark)
{
    auto dark = photo("dark.png", 4, -30);
    auto light = photo("light.png", 5, 40);
    dark.isLight = false;
    light.isLight = true;
    ASSERT_TRUE(generator.generate({ dark, light }, WallpaperMode::appearance, output, std::nullopt));
    EXPECT_EQ(imageLines().size(), 2u);
    EXPECT_EQ(desktopRecord("apr"), R"({"d": 1, "l": 0})");
    run("heif-convert " + quoted(output) + " " + quoted(scratch.path / "out.png"));
    EXPECT_LT(convertedDifference(1, light), 4);
    EXPECT_LT(convertedDifference(2, dark), 4);
}

} // namespace
} // namespace tl
