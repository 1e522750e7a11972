#include "app/PackageFileNames.h"

#include "platform/Text.h"

#include <algorithm>
#include <map>
#include <set>

namespace tl {
namespace {

// The longest file name Linux file systems take, in bytes.
constexpr std::size_t longestFileName = 255;

// The longest start of `text` that fits `bytes` bytes without cutting a character in two.
std::string_view prefixFitting(std::string_view text, std::size_t bytes)
{
    std::size_t kept = 0;
    while (kept < text.size()) {
        const std::size_t length = std::max<std::size_t>(1, utf8SequenceLength(text.substr(kept)));
        if (kept + length > bytes) break;
        kept += length;
    }
    return text.substr(0, kept);
}

// `stem` + `tail` + `extension`, the stem shortened as far as the whole must to be one file name. An
// extension that leaves the stem no room is shortened with it.
std::string fittedName(std::string stem, std::string_view tail, std::string extension)
{
    if (tail.size() + extension.size() >= longestFileName) {
        stem += extension;
        extension.clear();
    }
    return std::string(prefixFitting(stem, longestFileName - tail.size() - extension.size())) + std::string(tail)
        + extension;
}

std::string fittedName(const std::string& name, std::string_view tail = {})
{
    const std::filesystem::path path(name);
    const std::string stem = path.stem().string();
    if (stem.empty()) return fittedName(name, tail, std::string());
    return fittedName(stem, tail, path.extension().string());
}

std::string withSuffix(const std::string& name, int number)
{
    return fittedName(name, "-" + std::to_string(number));
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
    if (isPlainFileName(name)) return fittedName(name);
    const auto extension = std::filesystem::path(*frame.sourcePath).extension().string();
    return fittedName("image", {}, validUtf8(extension));
}

// Names of the files (not folders) in `folder`.
std::set<std::string> fileNamesIn(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
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
    return fittedName(validUtf8(source.filename().string()));
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
        if (!isPlainFileName(name) || name.size() > longestFileName) {
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
