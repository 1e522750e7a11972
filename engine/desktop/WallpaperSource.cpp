#include "engine/desktop/WallpaperSource.h"

#include "platform/FileReplacement.h"
#include "platform/ImageDecoding.h"
#include "platform/Text.h"

#include <memory>
#include <string_view>

namespace tl::desktop {

namespace fs = std::filesystem;

namespace {

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
    for (const char c : validUtf8(name))
        result += (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '-' : c;
    // U+FFFE and U+FFFF, which XML cannot hold, so the wallpaper's files can be named in its XML.
    for (const std::string_view nonCharacter : { "\xEF\xBF\xBE", "\xEF\xBF\xBF" })
        for (auto at = result.find(nonCharacter); at != std::string::npos; at = result.find(nonCharacter, at))
            result.replace(at, nonCharacter.size(), "-");
    const auto first = result.find_first_not_of(". ");
    result = first == std::string::npos ? std::string() : result.substr(first);
    while (!result.empty() && result.back() == ' ')
        result.pop_back();
    return result.empty() ? std::string("Dynamic Wallpaper") : result;
}

Result<cv::Size, DesktopError> writeFullQualityImage(const cv::Mat& pixels, const fs::path& file)
{
    if (!writePng(pixels, file)) return fileSystemError(file);
    return pixels.size();
}

Result<void, DesktopError> writeTextFile(const fs::path& file, std::string_view text)
{
    // Renamed over whatever is there, so a link planted at `file` is replaced, never written through.
    if (replaceFileWithBytes(file, text)) return fileSystemError(file);
    return {};
}

} // namespace tl::desktop
