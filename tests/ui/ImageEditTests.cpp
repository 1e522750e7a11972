#include "UiTestSupport.h"
#include "support/LogRecorder.h"

#include "platform/Date.h"
#include "ui/library/EditedImageSaving.h"
#include "ui/library/sheets/ImageEditModel.h"
#include "ui/library/sheets/ImageEditPrompt.h"

#include <gtest/gtest.h>

#include <fstream>
#include <future>

namespace tl::testing {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

TEST(ImageEditPrompt, WrapsTheInstructionUntrimmedBetweenIntroductionAndRules)
{
    EXPECT_EQ(ui::imageEditPromptIntroduction.size(), 533u); // 527 characters, the bullets take 3 bytes
    EXPECT_EQ(ui::imageEditPromptRules.size(), 478u);
    const std::string prompt = ui::imageEditPrompt("  Fix it \n");
    EXPECT_TRUE(prompt.find("fix this issue:   Fix it \n\n\nRULES:") != std::string::npos);
    EXPECT_TRUE(prompt.ends_with("Generate the corrected version of IMAGE 2 now."));
}

class ImageEditTest : public AppStateTest {
protected:
    WallpaperImage withFile(WallpaperImage image, const std::string& bytes)
    {
        const fs::path file = folder.path() / image.fileName;
        std::ofstream(file, std::ios::binary) << bytes;
        image.sourcePath = file.string();
        return image;
    }

    // Answers every request with `answer` and remembers what it was sent.
    ui::ImageEditModel::EditService scripted(GenerationResult<std::string> answer)
    {
        return { [] { return std::string("http://127.0.0.1:9"); },
            [this, answer](const std::string&, const std::string& reference, const std::string& current,
                const std::string& prompt, std::stop_token) {
                sent = { reference, current, prompt };
                return answer;
            } };
    }

    void finish(ui::ImageEditModel& model)
    {
        model.waitForWorkers();
        ASSERT_TRUE(processEventsUntil([&] { return !model.isGenerating.get(); }));
    }

    TemporaryFolder folder;
    std::array<std::string, 3> sent;
};

TEST_F(ImageEditTest, ButtonNeedsAnInstructionThatIsNotBlank)
{
    ui::ImageEditModel model(state, keyImage("a.png"), scripted(pngBytes()));
    EXPECT_EQ(model.mainButtonTitle(), "Generate Fix");
    EXPECT_FALSE(model.mainButtonEnabled());
    model.editPrompt = std::string(" \n\t ");
    EXPECT_FALSE(model.mainButtonEnabled());
    model.editPrompt = std::string("Fix the camera angle");
    EXPECT_TRUE(model.mainButtonEnabled());
    model.isGenerating = true;
    EXPECT_FALSE(model.mainButtonEnabled());
}

TEST_F(ImageEditTest, TheReferenceIsTheFirstKeyWithoutParentAndGoesFirst)
{
    auto child = withFile(keyImage("child.png"), "child");
    child.parentId = Uuid::random();
    const auto tween = withFile(tweenOf(child, "t.png"), "tween");
    const auto reference = withFile(keyImage("ref.png"), "reference");
    const auto current = withFile(keyImage("cur.png"), "current");
    state.setImages({ tween, child, reference, current }, std::nullopt, false);

    ui::ImageEditModel model(state, current, scripted(pngBytes()));
    EXPECT_EQ(model.referenceImage()->id, reference.id);
    model.editPrompt = std::string("Fix the camera angle");
    model.regenerate();
    EXPECT_EQ(model.progressMessage.get(), "Preparing to regenerate...");
    finish(model);
    EXPECT_EQ(sent[0], "reference");
    EXPECT_EQ(sent[1], "current");
    EXPECT_EQ(sent[2], ui::imageEditPrompt("Fix the camera angle"));
    EXPECT_EQ(model.generatedPreview.get(), pngBytes());
    EXPECT_EQ(model.progressMessage.get(), "Complete!");
    EXPECT_EQ(model.mainButtonTitle(), "Apply Changes");
    EXPECT_TRUE(model.showsDiscard());
    model.discard();
    EXPECT_EQ(model.mainButtonTitle(), "Generate Fix");
}

TEST_F(ImageEditTest, MissingFramesAndFailedRequestsShowTheirTexts)
{
    const auto current = withFile(keyImage("cur.png"), "current");
    state.setImages({ tweenOf(current, "t.png") }, std::nullopt, false);
    ui::ImageEditModel noReference(state, current, scripted(pngBytes()));
    noReference.regenerate();
    EXPECT_EQ(noReference.errorMessage.get(), "Could not load original image");
    EXPECT_FALSE(noReference.isGenerating.get());

    state.setImages({ current }, std::nullopt, false);
    ui::ImageEditModel noFile(state, keyImage("nofile.png"), scripted(pngBytes()));
    noFile.regenerate();
    EXPECT_EQ(noFile.errorMessage.get(), "Could not load current image");

    ui::ImageEditModel refused(state, current, scripted(ImageGenerationError::requestFailed("boom")));
    refused.regenerate();
    finish(refused);
    ASSERT_TRUE(refused.errorMessage.get().has_value());
    EXPECT_TRUE(refused.errorMessage.get()->starts_with("Failed to regenerate: "));
    EXPECT_FALSE(refused.generatedPreview.get().has_value());
    EXPECT_EQ(refused.progress.get(), 0.0);

    // An answer that is no picture cannot be applied.
    ui::ImageEditModel garbage(state, current, scripted(std::string("not a picture")));
    garbage.regenerate();
    finish(garbage);
    EXPECT_TRUE(garbage.errorMessage.get().has_value());
    EXPECT_FALSE(garbage.generatedPreview.get().has_value());
}

TEST_F(ImageEditTest, ClosingDuringARequestStopsItAndNothingLands)
{
    const auto current = withFile(keyImage("cur.png"), "current");
    state.setImages({ current }, std::nullopt, false);
    std::promise<void> started;
    std::atomic<bool> sawStop { false };
    {
        ui::ImageEditModel model(state, current,
            { [] { return std::string("http://127.0.0.1:9"); },
                [&](const std::string&, const std::string&, const std::string&, const std::string&,
                    std::stop_token stop) {
                    started.set_value();
                    while (!stop.stop_requested())
                        std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    sawStop = true;
                    return GenerationResult<std::string>(pngBytes());
                } });
        model.regenerate();
        started.get_future().wait();
    }
    EXPECT_TRUE(sawStop);
    QCoreApplication::processEvents(); // a post that slipped through would crash here
}

TEST_F(ImageEditTest, ApplyingWritesBesideTheSourceAndMarksTheProjectDirty)
{
    LogRecorder log;
    const auto image = withFile(keyImage("sunrise.png"), "old");
    state.setImages({ image }, std::nullopt, false);
    state.isDirty = false;
    const Date when = Date::sinceUnixEpoch(1796700075); // 2026-12-08T03:21:15Z
    EXPECT_EQ(ui::editedImageFileName("sunrise.png", when), "edited_2026-12-08T03-21-15Z_sunrise.png");

    const auto edited = ui::writeEditedImage(pngBytes(), image, when);
    ASSERT_TRUE(edited);
    EXPECT_FALSE(state.isDirty.get()); // writing alone changes nothing in the project
    ui::applyEditedImage(state, image, edited.value());
    const fs::path written = folder.path() / "edited_2026-12-08T03-21-15Z_sunrise.png";
    EXPECT_EQ(readAll(written), pngBytes());
    EXPECT_EQ(state.images.get()[0].sourcePath, written.string());
    EXPECT_EQ(state.images.get()[0].fileName, "sunrise.png");
    EXPECT_TRUE(state.images.get()[0].thumbnail);
    EXPECT_TRUE(state.isDirty.get());
    EXPECT_TRUE(log.contains("✅ Updated image in timeline: sunrise.png"));
}

// The stamp takes 28 bytes, so these names alone fit but not once edited: the name is cut
// after whole characters of the frame's name, keeping its ending, to 255 bytes at most.
TEST_F(ImageEditTest, AnEditOfAFrameWithALongNameIsSavedUnderAShortenedName)
{
    const Date when = Date::sinceUnixEpoch(1796700075);
    const std::string stamp = "edited_2026-12-08T03-21-15Z_";
    const auto repeat = [](const std::string& text, int times) {
        std::string repeated;
        for (int i = 0; i < times; ++i)
            repeated += text;
        return repeated;
    };
    struct Row {
        std::string name;
        std::string edited;
    };
    const std::vector<Row> rows {
        { repeat("x", 251) + ".png", stamp + repeat("x", 223) + ".png" },
        // A cut by bytes alone would split the 111th "é" in two.
        { "ab" + repeat("\u00E9", 113) + ".png", stamp + "ab" + repeat("\u00E9", 110) + ".png" },
        { repeat("\U0001F305", 62) + ".png", stamp + repeat("\U0001F305", 55) + ".png" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name.size());
        const auto image = withFile(keyImage(row.name), "old");
        state.setImages({ image }, std::nullopt, false);
        const auto edited = ui::writeEditedImage(pngBytes(), image, when);
        ASSERT_TRUE(edited) << edited.error();
        EXPECT_EQ(edited.value().file, folder.path() / row.edited);
        EXPECT_EQ(readAll(folder.path() / row.edited), pngBytes());
        ui::applyEditedImage(state, image, edited.value());
        EXPECT_EQ(state.images.get()[0].sourcePath, (folder.path() / row.edited).string());
        EXPECT_EQ(state.images.get()[0].fileName, row.name);
    }
}

TEST_F(ImageEditTest, AFailedWriteIsReportedAndChangesNothing)
{
    LogRecorder log;
    auto image = keyImage("sunrise.png");
    // The folder of the source is a file, so nothing can be written there.
    std::ofstream(folder.path() / "blocker") << "x";
    image.sourcePath = (folder.path() / "blocker" / "sunrise.png").string();
    state.setImages({ image }, std::nullopt, false);
    state.isDirty = false;
    const auto failure = ui::writeEditedImage(pngBytes(), image);
    ASSERT_FALSE(failure);
    EXPECT_TRUE(failure.error().starts_with("Failed to save edited image: "));
    EXPECT_TRUE(log.anyStartsWith("❌ Failed to save edited image: "));

    EXPECT_FALSE(ui::writeEditedImage(pngBytes(), keyImage("nopath.png")));
    EXPECT_TRUE(log.contains("❌ No source path for image"));
}

TEST_F(ImageEditTest, AnEditLandsOnlyOnAFrameThatIsStillThereWithAPicture)
{
    const auto image = withFile(keyImage("sunrise.png"), "old");
    state.setImages({ image }, std::nullopt, false);
    state.isDirty = false;
    const auto undecodable = ui::writeEditedImage("not a picture", image);
    ASSERT_TRUE(undecodable);
    EXPECT_FALSE(undecodable.value().thumbnail);
    ui::applyEditedImage(state, image, undecodable.value());
    EXPECT_EQ(state.images.get()[0].sourcePath, image.sourcePath);

    const auto edited = ui::writeEditedImage(pngBytes(), image);
    ASSERT_TRUE(edited);
    state.setImages({}, std::nullopt, false);
    state.isDirty = false;
    ui::applyEditedImage(state, image, edited.value());
    EXPECT_TRUE(state.images.get().empty());
    EXPECT_FALSE(state.isDirty.get());
}

} // namespace
} // namespace tl::testing
