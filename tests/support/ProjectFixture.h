#pragma once

#include "app/AppState.h"
#include "app/AppUIState.h"
#include "app/ProjectIO.h"
#include "support/AppStateFixture.h"
#include "support/LogRecorder.h"
#include "support/ScriptedDialogs.h"

#include <opencv2/imgcodecs.hpp>

#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <sys/stat.h>

namespace tl::testing {

// A temporary folder that is removed with the fixture.
class TemporaryFolder {
public:
    TemporaryFolder()
        : path_(std::filesystem::temp_directory_path() / ("tidelumine-test-" + Uuid::random().text()))
    {
        std::filesystem::create_directories(path_);
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::filesystem::path writeTestImage(
    const std::filesystem::path& file, int width = 32, int height = 18, int shade = 90)
{
    std::filesystem::create_directories(file.parent_path());
    cv::imwrite(file.string(), cv::Mat(height, width, CV_8UC3, cv::Scalar(shade, 120, 200)));
    return file;
}

inline std::string readText(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeText(const std::filesystem::path& file, const std::string& text)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

// Identity and modification time of a file, to prove it was not rewritten.
struct FileStamp {
    ino_t inode;
    timespec modified;

    static FileStamp of(const std::filesystem::path& file)
    {
        struct stat info { };
        ::stat(file.c_str(), &info);
        return { info.st_ino, info.st_mtim };
    }
    friend bool operator==(const FileStamp& a, const FileStamp& b)
    {
        return a.inode == b.inode && a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec;
    }
};

// The store, window state and package reader/writer over scripted dialogs and a
// temporary folder. Every scripted answer must have been used by the end.
class ProjectTest : public AppStateTest {
protected:
    ~ProjectTest() override { EXPECT_TRUE(dialogs.scriptFinished()) << "a scripted dialog never appeared"; }

    std::filesystem::path folder(const std::string& name) const { return temp.path() / name; }

    // Imports freshly drawn images named `names` from `sourceFolder`.
    void importImages(const std::vector<std::string>& names, const std::string& sourceFolder = "sources")
    {
        for (const auto& name : names)
            state.addImage(writeTestImage(folder(sourceFolder) / name));
        endEvent();
    }

    // Runs what workers post to the main thread until `done` holds, or until nothing more
    // arrives for ten seconds.
    void runPostedWorkUntil(const std::function<bool()>& done)
    {
        while (!done() && scheduler.waitForWork())
            scheduler.runAll();
    }

    // Saves through the worker and waits for the outcome.
    bool saveProject(const std::filesystem::path& package)
    {
        std::optional<bool> saved;
        projectIO.saveProject(package, state, [&saved](bool outcome) { saved = outcome; });
        runPostedWorkUntil([&saved] { return saved.has_value(); });
        return saved.value_or(false);
    }

    TemporaryFolder temp;
    LogRecorder logs;
    ScriptedDialogs dialogs;
    ManualScheduler scheduler;
    AppUIState ui { defaults };
    ProjectIO projectIO { dialogs, scheduler };
};

} // namespace tl::testing
