#include "app/ProjectPackage.h"

#include "app/AppState.h"
#include "app/PackageFileNames.h"
#include "model/ProjectCoding.h"
#include "platform/FileReplacement.h"
#include "platform/Log.h"
#include "platform/Text.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace tl {
namespace {

// A record larger than this is not one we wrote.
constexpr std::uintmax_t maximumRecordSize = 64 * 1024 * 1024;

PackageError fileError(const fs::path& path, const std::error_code& error)
{
    return PackageError { "“" + path.string() + "”: " + error.message() };
}

Result<void, PackageError> makeFolder(const fs::path& folder)
{
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) return fileError(folder, error);
    if (!fs::is_directory(folder, error)) return fileError(folder, std::make_error_code(std::errc::not_a_directory));
    return {};
}

Result<void, PackageError> copyIntoPlace(const fs::path& source, const fs::path& target)
{
    std::error_code copyError;
    const auto error = replaceFileThroughTemporary(target, [&](const fs::path& temporary) {
        fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, copyError);
        return copyError;
    });
    if (copyError) return fileError(source, copyError);
    if (error) return fileError(target, error);
    return {};
}

Result<void, PackageError> writeFileInPlace(const fs::path& target, const std::string& bytes)
{
    const auto error = replaceFileThroughTemporary(target, [&](const fs::path& temporary) {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        return out ? std::error_code() : std::make_error_code(std::errc::io_error);
    });
    if (error) return fileError(target, error);
    return {};
}

template <class T> std::optional<T> unlessDefault(const T& value, const T& defaultValue)
{
    if (value == defaultValue) return std::nullopt;
    return value;
}

Project recordOf(const AppState& state, const std::vector<std::string>& names)
{
    Project record { .version = "1.0", .mode = state.mode.get(), .images = state.images.get() };
    for (std::size_t i = 0; i < names.size(); ++i)
        record.images[i].fileName = names[i];
    record.magicPrompt = unlessDefault(state.lastMagicPrompt.get(), std::string());
    record.magicSize = unlessDefault(state.lastMagicSize.get(), std::string(AppState::defaultMagicSize));
    record.magicTweenCount = unlessDefault(state.lastMagicTweenCount.get(), AppState::defaultMagicTweenCount);
    record.magicStartingImageFileName = unlessDefault(state.lastMagicStartingImageFileName.get(), std::string());
    return record;
}

Result<std::string, PackageError> readRecordText(const fs::path& file)
{
    std::error_code error;
    if (!fs::is_regular_file(file, error)) {
        return fileError(file, error ? error : std::make_error_code(std::errc::no_such_file_or_directory));
    }
    const auto size = fs::file_size(file, error);
    if (error) return fileError(file, error);
    if (size > maximumRecordSize) return fileError(file, std::make_error_code(std::errc::file_too_large));
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) return fileError(file, std::make_error_code(std::errc::io_error));
    return text;
}

// The frame's file in "images", if the record names one that is there.
std::optional<fs::path> frameFile(const fs::path& imagesFolder, const std::string& fileName)
{
    if (!isPlainFileName(fileName)) return std::nullopt;
    const fs::path file = imagesFolder / fileName;
    std::error_code error;
    if (!fs::is_regular_file(file, error)) return std::nullopt;
    // A link inside "images" must not lead the reader elsewhere.
    const auto resolved = fs::canonical(file, error);
    const auto folder = fs::canonical(imagesFolder, error);
    if (error || resolved.parent_path() != folder) return std::nullopt;
    return file;
}

} // namespace

Result<PackageContents, PackageError> packageContents(const fs::path& package, const AppState& state)
{
    const auto& images = state.images.get();
    const auto names = planPackageFileNames(images);
    const auto encoded = encodeProjectFile(recordOf(state, names));
    if (!encoded) return PackageError { encoded.error().message };

    PackageContents contents { .package = package, .frames = {}, .record = encoded.value() };
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (const auto& source = images[i].sourcePath) {
            contents.frames.push_back({ .id = images[i].id, .fileName = names[i], .source = *source });
        }
    }
    return contents;
}

PackageWriteOutcome writePackage(const PackageContents& contents)
{
    if (auto made = makeFolder(contents.package); !made) return { .placedFrames = 0, .result = made };
    const fs::path imagesFolder = contents.package / packageImagesFolderName;
    if (auto made = makeFolder(imagesFolder); !made) return { .placedFrames = 0, .result = made };

    std::size_t placed = 0;
    for (const auto& frame : contents.frames) {
        const fs::path target = imagesFolder / frame.fileName;
        if (!isSameFile(frame.source, target)) {
            if (auto copied = copyIntoPlace(frame.source, target); !copied) {
                return { .placedFrames = placed, .result = copied };
            }
            log("Copied " + frame.fileName + " to package");
        }
        ++placed;
    }
    return { .placedFrames = placed,
        .result = writeFileInPlace(contents.package / projectRecordName, contents.record) };
}

void placeFrames(AppState& state, const PackageContents& contents, std::size_t count)
{
    if (count == 0) return;
    const fs::path imagesFolder = contents.package / packageImagesFolderName;
    state.images.mutate([&](std::vector<WallpaperImage>& frames) {
        for (std::size_t i = 0; i < count && i < contents.frames.size(); ++i) {
            const auto& placed = contents.frames[i];
            // A frame deleted while its file was copied has nothing left to point.
            const auto index = indexOfImage(frames, placed.id);
            if (!index) continue;
            frames[*index].fileName = placed.fileName;
            frames[*index].sourcePath = (imagesFolder / placed.fileName).string();
        }
    });
}

Result<OpenedPackage, PackageError> readPackage(const fs::path& package)
{
    auto text = readRecordText(package / projectRecordName);
    if (!text) return text.error();
    auto decoded = decodeProjectFile(text.value());
    if (!decoded) return PackageError { decoded.error().message };

    OpenedPackage opened { .project = std::move(decoded).value(), .missingFileNames = {} };
    const fs::path imagesFolder = package / packageImagesFolderName;
    for (auto& image : opened.project.images) {
        const auto file = frameFile(imagesFolder, image.fileName);
        if (!file) {
            log("ERROR: Image file not found: " + imagesFolder.string() + "/" + validUtf8(image.fileName));
            opened.missingFileNames.push_back(image.fileName);
            continue;
        }
        image.sourcePath = file->string();
    }
    return opened;
}

} // namespace tl
