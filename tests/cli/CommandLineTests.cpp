// The command line: its arguments, its exit codes, and the files it writes compared with the window's.

#include "app/ProjectPackage.h"
#include "cli/Main.h"
#include "ui/export/ExportSheetModel.h"
#include "ui/export/ExportWork.h"

#include "support/TestImageFiles.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tl {
namespace {

namespace fs = std::filesystem;

const fs::path samplePackage = fs::path(TIDELUMINE_SAMPLES_DIR) / "Seaside.vorrind";

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Tests never ask the real location service; this one knows no place, as on a computer without one.
Result<Location, cli::CommandFailure> unknownPlace()
{
    return cli::CommandFailure { "no location service here: give it with --location LATITUDE,LONGITUDE." };
}

Outcome runCli(const std::vector<std::string>& arguments, const cli::LocateComputer& locate = unknownPlace)
{
    std::ostringstream out, err;
    const int status = cli::run(arguments, out, err, false, locate);
    return { status, out.str(), err.str() };
}

TEST(CommandLineTest, WrongArgumentsExitWithTwoAndAUsageLine)
{
    const std::vector<std::vector<std::string>> wrong {
        {},
        { "frobnicate" },
        { "export", "only-one.vorrind" },
        { "export", "a.vorrind", "b.heic", "--canvas" },
        { "export", "a.vorrind", "b.heic", "--canvas", "12k" },
        { "export", "a.vorrind", "b.heic", "--quality", "best" },
        { "export", "a.vorrind", "b.heic", "--upscale", "--no-upscale" },
        { "export", "a.vorrind", "b.heic", "--sharpen" },
        { "open-heic", "in.heic" },
        { "desktop", "a.vorrind" },
        { "desktop", "a.vorrind", "--gnome", "out", "--apply" },
        { "desktop", "a.vorrind", "--apply", "--location", "91,0" },
        { "desktop", "a.vorrind", "--apply", "--location", "52.3" },
        { "desktop", "a.vorrind", "--apply", "--date", "2025-02-29" },
    };
    for (const auto& arguments : wrong) {
        const auto outcome = runCli(arguments);
        std::string line;
        for (const auto& argument : arguments)
            line += argument + " ";
        EXPECT_EQ(outcome.status, 2) << line;
        EXPECT_NE(outcome.err.find("\nusage: tidelumine-cli "), std::string::npos) << line << outcome.err;
    }
}

TEST(CommandLineTest, HelpAndVersionAnswerOnStandardOutput)
{
    const auto help = runCli({ "--help" });
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("tidelumine-cli export PACKAGE OUT.heic"), std::string::npos);
    const auto version = runCli({ "--version" });
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("tidelumine-cli 0.", 0), 0u) << version.out;
}

class CommandLineExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test::canEncodeHeic()) GTEST_SKIP() << "no HEVC encoder";
    }

    test::ScratchFolder scratch;
};

TEST_F(CommandLineExportTest, RefusedCanvasFailsWithTheSheetsOwnText)
{
    for (const std::string canvas : { "0x10", "40000x100" }) {
        HeicExportOptions typed;
        typed.canvasPreset = HeicCanvasPreset::custom;
        typed.customWidth = canvas.substr(0, canvas.find('x'));
        typed.customHeight = canvas.substr(canvas.find('x') + 1);
        typed.upscaleEnabled = false;
        Observable<HeicExportOptions> options(typed);
        ui::ExportSheetModel sheet(options);
        sheet.setKeyFrameSizes({ { "frame.png", { 4480, 2520 } } });
        const auto text = sheet.validationMessage() ? sheet.validationMessage() : sheet.refusal();
        ASSERT_TRUE(text) << canvas << " is not refused by the sheet";

        const fs::path output = scratch.path / "refused.heic";
        const auto outcome
            = runCli({ "export", samplePackage.string(), output.string(), "--canvas", canvas, "--no-upscale" });
        EXPECT_EQ(outcome.status, 1) << canvas;
        EXPECT_NE(outcome.err.find(*text), std::string::npos) << canvas << ": " << outcome.err;
        EXPECT_FALSE(fs::exists(output));
    }
}

TEST_F(CommandLineExportTest, ExportWritesWhatTheWindowWritesAndOpensBackAsAProject)
{
    const fs::path byCli = scratch.path / "cli.heic";
    const auto outcome
        = runCli({ "export", samplePackage.string(), byCli.string(), "--canvas", "160x90", "--no-upscale" });
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.err.find("Encoded image 7/7"), std::string::npos) << outcome.err;

    // The window's export run with the options its sheet would hold for the same choices.
    auto opened = readPackage(samplePackage);
    ASSERT_TRUE(opened);
    HeicExportOptions options;
    options.canvasPreset = HeicCanvasPreset::custom;
    options.customWidth = "160";
    options.customHeight = "90";
    options.upscaleEnabled = false;
    const fs::path byWindow = scratch.path / "window.heic";
    const ui::ExportJob job { opened.value().project.images, opened.value().project.mode, byWindow, options };
    const auto end = ui::runExportWork(job, byWindow, ui::engineExportServices(), {}, {}, {});
    ASSERT_EQ(end.kind, ui::ExportEnd::Kind::succeeded) << end.message;
    EXPECT_EQ(test::readBytes(byCli), test::readBytes(byWindow));

    const fs::path package = scratch.path / "Reopened.vorrind";
    const auto reopened = runCli({ "open-heic", byCli.string(), package.string() });
    ASSERT_EQ(reopened.status, 0) << reopened.err;
    const auto project = readPackage(package);
    ASSERT_TRUE(project);
    const auto& images = project.value().project.images;
    ASSERT_EQ(images.size(), 7u);
    EXPECT_TRUE(project.value().missingFileNames.empty());
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_NEAR(*images[i].altitude, *opened.value().project.images[i].altitude, 1e-6);
        EXPECT_NEAR(*images[i].azimuth, *opened.value().project.images[i].azimuth, 1e-6);
    }
}

TEST_F(CommandLineExportTest, FailuresExitWithOneAndTheReason)
{
    const auto missing = runCli({ "export", (scratch.path / "None.vorrind").string(), "out.heic" });
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err.rfind("tidelumine-cli: ", 0), 0u) << missing.err;

    test::writeBytes(scratch.path / "fake.heic", "not a picture");
    const auto unreadable
        = runCli({ "open-heic", (scratch.path / "fake.heic").string(), (scratch.path / "Out.vorrind").string() });
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_NE(unreadable.err.find("The file could not be read as a HEIC image."), std::string::npos);
    EXPECT_FALSE(fs::exists(scratch.path / "Out.vorrind"));
}

TEST_F(CommandLineExportTest, DesktopWritesGnomesSlideshowAndPlasmasPackageFromAPackageOrItsHeic)
{
    const fs::path gnome = scratch.path / "gnome";
    const auto withoutPlace = runCli({ "desktop", samplePackage.string(), "--gnome", gnome.string() });
    EXPECT_EQ(withoutPlace.status, 1);
    EXPECT_NE(withoutPlace.err.find("--location"), std::string::npos) << withoutPlace.err;

    const auto slideshow = runCli({ "desktop", samplePackage.string(), "--gnome", gnome.string(), "--location",
        "52.37,4.90", "--date", "2026-06-21" });
    ASSERT_EQ(slideshow.status, 0) << slideshow.err;
    // The slideshow goes into a folder of its own inside the one named, never over it.
    const std::string xml = test::readBytes(gnome / "Seaside" / "Seaside.xml");
    EXPECT_NE(xml.find("<starttime>"), std::string::npos) << xml;
    std::size_t pictures = 0;
    for (const auto& entry : fs::directory_iterator(gnome / "Seaside"))
        pictures += entry.path().extension() == ".png";
    EXPECT_EQ(pictures, 7u);

    // Without --location the times are this computer's, from the location service, asked once.
    int asked = 0;
    const cli::LocateComputer amsterdam = [&]() -> Result<Location, cli::CommandFailure> {
        ++asked;
        return Location { 52.37, 4.90 };
    };
    const fs::path located = scratch.path / "located";
    const auto fromService
        = runCli({ "desktop", samplePackage.string(), "--gnome", located.string(), "--date", "2026-06-21" }, amsterdam);
    ASSERT_EQ(fromService.status, 0) << fromService.err;
    EXPECT_EQ(asked, 1);
    EXPECT_NE(fromService.err.find("location service"), std::string::npos) << fromService.err;
    std::string expected = xml;
    for (auto at = expected.find(gnome.string()); at != std::string::npos; at = expected.find(gnome.string(), at))
        expected.replace(at, gnome.string().size(), located.string());
    EXPECT_EQ(test::readBytes(located / "Seaside" / "Seaside.xml"), expected);

    // The exported HEIC, read back, gives Plasma its brightest and darkest frames.
    const fs::path heic = scratch.path / "Seaside.heic";
    ASSERT_EQ(
        runCli({ "export", samplePackage.string(), heic.string(), "--canvas", "160x90", "--no-upscale" }).status, 0);
    const fs::path plasma = scratch.path / "plasma";
    const auto package = runCli({ "desktop", heic.string(), "--plasma", plasma.string() }, amsterdam);
    ASSERT_EQ(package.status, 0) << package.err;
    EXPECT_EQ(asked, 1) << "Plasma's light/dark pair has no times to place";
    EXPECT_TRUE(fs::exists(plasma / "Seaside" / "metadata.json"));
    EXPECT_TRUE(fs::exists(plasma / "Seaside" / "contents" / "images" / "160x90.png"));
    EXPECT_TRUE(fs::exists(plasma / "Seaside" / "contents" / "images_dark" / "160x90.png"));
}

} // namespace
} // namespace tl
