#include "engine/desktop/WallpaperSource.h"

#include "platform/ImageDecoding.h"
#include "platform/UserFolders.h"

#include <fstream>
#include <memory>

namespace tl::desktop {

namespace fs = std::filesystem;

namespace {

// Marks a folder as one this program wrote, so a later install may replace it.
constexpr const char* kOwnerMark = ".tidelumine-wallpaper";

DesktopError fileSystemError(const fs::path& path)
{
    return { DesktopError::Kind::fileSystem, "Could not write \"" + path.string() + "\"." };
}

} // namespace

ImagePixels pixelsFromFiles(std::vector<fs::path> files)
{
    auto shared = std::make_shared<const std::vector<fs::path>>(std::move(files));
    return [shared](std::size_t index) -> Result<cv::Mat, DesktopError> {
        if (index >= shared->size())
            return DesktopError { DesktopError::Kind::badImage,
                "The wallpaper has no image " + std::to_string(index + 1) + "." };
        cv::Mat pixels = decodeImageFile((*shared)[index]);
        if (pixels.empty())
            return DesktopError { DesktopError::Kind::badImage,
                "Could not read the image \"" + (*shared)[index].string() + "\"." };
        return pixels;
    };
}

std::string folderName(std::string_view name)
{
    std::string result;
    for (const char c : name)
        result += (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '-' : c;
    const auto first = result.find_first_not_of(". ");
    result = first == std::string::npos ? std::string() : result.substr(first);
    while (!result.empty() && result.back() == ' ')
        result.pop_back();
    return result.empty() ? std::string("Dynamic Wallpaper") : result;
}

Result<fs::path, DesktopError> freshWallpaperFolder(const fs::path& wanted)
{
    std::error_code error;
    fs::path folder = wanted;
    if (fs::exists(folder, error)) {
        if (fs::is_directory(folder, error) && !fs::is_symlink(folder, error) && fs::exists(folder / kOwnerMark, error))
            fs::remove_all(folder, error);
        else
            folder = unusedPath(wanted);
        if (error) return fileSystemError(folder);
    }
    fs::create_directories(folder, error);
    if (error) return fileSystemError(folder);
    if (auto marked = writeTextFile(folder / kOwnerMark, ""); !marked) return marked.error();
    return folder;
}

Result<cv::Size, DesktopError> writeFullQualityImage(const cv::Mat& pixels, const fs::path& file)
{
    if (!writePng(pixels, file)) return fileSystemError(file);
    return pixels.size();
}

Result<void, DesktopError> writeTextFile(const fs::path& file, std::string_view text)
{
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
    stream.close();
    if (!stream) return fileSystemError(file);
    return {};
}

} // namespace tl::desktop
