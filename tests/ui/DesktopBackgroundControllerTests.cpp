#include "UiTestSupport.h"
#include "ui/desktop/DesktopBackgroundController.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

namespace tl {
namespace {

namespace fs = std::filesystem;
using tl::testing::processEventsUntil;

class RecordingBackground final : public DesktopBackground {
public:
    explicit RecordingBackground(std::vector<fs::path>& set)
        : set_(set)
    {
    }
    Result<void, DesktopSettingError> setGnomePictures(const fs::path& picture, const fs::path&) override
    {
        set_.push_back(picture);
        return {};
    }
    Result<void, DesktopSettingError> setPlasmaPackage(const fs::path& package) override
    {
        set_.push_back(package);
        return {};
    }

private:
    std::vector<fs::path>& set_;
};

class DesktopBackgroundControllerTest : public tl::testing::AppStateTest {
protected:
    DesktopBackgroundControllerTest()
    {
        std::vector<WallpaperImage> images;
        for (int i = 0; i < 2; ++i) {
            const fs::path file = folder.path() / ("frame" + std::to_string(i) + ".png");
            cv::imwrite(file.string(), cv::Mat(9, 16, CV_8UC3, cv::Scalar::all(i == 0 ? 230 : 20)));
            WallpaperImage image { Uuid::random(), file.filename().string(), i == 0 ? 40.0 : -20.0,
                i == 0 ? 180.0 : 0.0 };
            image.sourcePath = file.string();
            images.push_back(image);
        }
        state.images.set(images);
        state.mode = WallpaperMode::time;
    }

    std::unique_ptr<ui::DesktopBackgroundController> controller(const FixedEnvironment& environment)
    {
        ui::DesktopBackgroundController::Services services;
        services.inspectorLocation = [this] { return inspectorPlace; };
        services.askLocation = [this] {
            ++asked;
            return answer;
        };
        services.tell = [this](const Alert& alert) { told.push_back(alert); };
        services.makeBackground = [this] { return std::make_unique<RecordingBackground>(set); };
        services.environment = &environment;
        return std::make_unique<ui::DesktopBackgroundController>(state, std::move(services));
    }

    FixedEnvironment desktop(const char* name) const
    {
        return FixedEnvironment(std::map<std::string, std::string, std::less<>> {
            { "XDG_CURRENT_DESKTOP", name }, { "XDG_DATA_HOME", (folder.path() / "data").string() } });
    }

    tl::testing::TemporaryFolder folder;
    std::optional<Location> inspectorPlace;
    std::optional<Location> answer;
    int asked = 0;
    std::vector<Alert> told;
    std::vector<fs::path> set;
};

TEST_F(DesktopBackgroundControllerTest, AsksForAPlaceOnlyWhenTheTimesNeedOneAndTellsTheOutcome)
{
    const FixedEnvironment gnome = desktop("GNOME");
    auto installer = controller(gnome);

    // Declining the prompt installs nothing and changes nothing.
    installer->setProjectAsDesktopBackground();
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(installer->isRunning());
    EXPECT_TRUE(told.empty() && set.empty());
    EXPECT_FALSE(fs::exists(folder.path() / "data"));

    answer = Location { 52.37, 4.90 };
    installer->setProjectAsDesktopBackground();
    EXPECT_EQ(asked, 2);
    ASSERT_TRUE(processEventsUntil([&] { return !told.empty(); }));
    EXPECT_EQ(told[0].message, "The desktop background is set.");
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(set[0].extension(), ".xml");
    EXPECT_TRUE(fs::exists(set[0]));

    // The inspector's place is used without asking; Plasma needs none at all.
    inspectorPlace = Location { 40, -3 };
    installer->setProjectAsDesktopBackground();
    ASSERT_TRUE(processEventsUntil([&] { return told.size() == 2; }));
    EXPECT_EQ(asked, 2);

    const FixedEnvironment plasma = desktop("KDE");
    inspectorPlace.reset();
    auto onPlasma = controller(plasma);
    onPlasma->setProjectAsDesktopBackground();
    ASSERT_TRUE(processEventsUntil([&] { return told.size() == 3; }));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(set.back(), folder.path() / "data" / "wallpapers" / "Dynamic Wallpaper");
    EXPECT_NE(told.back().informativeText.find("brightest frame (1)"), std::string::npos)
        << told.back().informativeText;
}

TEST_F(DesktopBackgroundControllerTest, AnotherDesktopIsNamedAndAFailureIsNeverReportedAsSuccess)
{
    const FixedEnvironment xfce = desktop("XFCE");
    answer = Location { 52.37, 4.90 };
    auto installer = controller(xfce);
    installer->setProjectAsDesktopBackground();
    ASSERT_TRUE(processEventsUntil([&] { return !told.empty(); }));
    EXPECT_EQ(told[0].message, "The wallpaper's files are written.");
    EXPECT_NE(told[0].informativeText.find("\"XFCE\""), std::string::npos);
    EXPECT_TRUE(set.empty());

    // An image whose file is gone: the user is told, nothing claims success.
    fs::remove(folder.path() / "frame1.png");
    const FixedEnvironment gnome = desktop("GNOME");
    auto broken = controller(gnome);
    broken->setProjectAsDesktopBackground();
    ASSERT_TRUE(processEventsUntil([&] { return told.size() == 2; }));
    EXPECT_EQ(told[1].message, "The desktop background could not be set.");
    EXPECT_NE(told[1].informativeText.find("frame1.png"), std::string::npos);
    EXPECT_TRUE(set.empty());
}

} // namespace
} // namespace tl
