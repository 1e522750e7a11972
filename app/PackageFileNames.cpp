#include "app/PackageFileNames.h"

#include "platform/Text.h"

#include <map>
#include <set>

namespace tl {
namespace {

std::string withSuffix(const std::string& name, int number)
{
    const std::filesystem::path path(name);
    const std::string stem = path.stem().string();
    const std::string extension = path.extension().string();
    return (stem.empty() ? name : stem) + "-" + std::to_string(number) + (stem.empty() ? "" : extension);
}

std::string uniqueName(const std::string& name, const std::set<std::string>& taken)
{
    for (int number = 2;; ++number) {
        auto candidate = withSuffix(name, number);
        if (!taken.contains(candidate)) return candidate;
    }
}

// A plain name for a frame whose recorded name would leave "images".
std::string plainNameFor(const WallpaperImage& frame)
{
    auto name = validUtf8(std::filesystem::path(frame.fileName).filename().string());
    if (isPlainFileName(name)) return name;
    const auto extension = std::filesystem::path(*frame.sourcePath).extension().string();
    return "image" + validUtf8(extension);
}

// Names of the files (not folders) in `folder`.
std::set<std::string> fileNamesIn(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        std::error_code ignored;
        if (!entry->is_directory(ignored)) names.insert(entry->path().filename().string());
    }
    return names;
}

} // namespace

bool isPlainFileName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos
        && name.find('\0') == std::string_view::npos;
}

std::string packageFileName(const std::filesystem::path& source)
{
    return validUtf8(source.filename().string());
}

bool isSameFile(const std::filesystem::path& first, const std::filesystem::path& second)
{
    std::error_code error;
    const bool same = std::filesystem::equivalent(first, second, error);
    return !error && same;
}

std::vector<std::string> planPackageFileNames(
    const std::vector<WallpaperImage>& frames, const std::filesystem::path& imagesFolder)
{
    // Files already in "images" keep their names too: a frame deleted from the timeline may come
    // back by undo, and its picture must still be there.
    const std::set<std::string> inFolder = fileNamesIn(imagesFolder);
    std::set<std::string> taken = inFolder;
    for (const auto& frame : frames)
        taken.insert(frame.fileName);

    std::map<std::string, std::filesystem::path> claimedBy;
    std::vector<std::string> names;
    names.reserve(frames.size());
    for (const auto& frame : frames) {
        // Frames without a file write no file, so their names stay as recorded.
        if (!frame.sourcePath) {
            names.push_back(frame.fileName);
            continue;
        }
        const std::filesystem::path source(*frame.sourcePath);
        std::string name = frame.fileName;
        if (!isPlainFileName(name)) {
            name = plainNameFor(frame);
            if (taken.contains(name)) name = uniqueName(name, taken);
        }
        const auto claimed = claimedBy.find(name);
        const bool claimedByOther
            = claimed != claimedBy.end() && claimed->second != source && !isSameFile(claimed->second, source);
        const bool anotherFileThere
            = claimed == claimedBy.end() && inFolder.contains(name) && !isSameFile(imagesFolder / name, source);
        if (claimedByOther || anotherFileThere) name = uniqueName(name, taken);
        taken.insert(name);
        claimedBy.emplace(name, source);
        names.push_back(std::move(name));
    }
    return names;
}

} // namespace tl
