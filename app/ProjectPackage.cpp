#include "app/ProjectPackage.h"

#include "app/AppState.h"
#include "app/PackageFileNames.h"
#include "app/ProjectPackageErrors.h"
#include "app/ProjectPackageReplacement.h"
#include "model/ProjectCoding.h"
#include "platform/Log.h"
#include "platform/Text.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tl {
namespace {

// A record larger than this is not one we wrote (the largest timeline needs a few megabytes); the
// previewer and the thumbnailer refuse the same.
constexpr std::uintmax_t maximumRecordSize = 16 * 1024 * 1024;

using package_detail::fileError;
using package_detail::isLink;
using package_detail::readRecordText;

PackageError notRegularFile(const fs::path& path)
{
    return PackageError { "“" + escapedForDisplay(path.string()) + "”: not a regular file" };
}

template <class T> std::optional<T> unlessDefault(const T& value, const T& defaultValue)
{
    if (value == defaultValue) return std::nullopt;
    return value;
}

Project recordOf(const AppState::Snapshot& project, const std::vector<std::string>& names)
{
    Project record { .version = "1.0", .mode = project.mode, .images = project.images };
    for (std::size_t i = 0; i < names.size(); ++i)
        record.images[i].fileName = names[i];
    record.magicPrompt = unlessDefault(project.lastMagicPrompt, std::string());
    record.magicSize = unlessDefault(project.lastMagicSize, std::string(AppState::defaultMagicSize));
    record.magicTweenCount = unlessDefault(project.lastMagicTweenCount, AppState::defaultMagicTweenCount);
    record.magicStartingImageFileName = unlessDefault(project.lastMagicStartingImageFileName, std::string());
    return record;
}

struct FileDescriptor {
    int value;
    ~FileDescriptor() { ::close(value); }
};

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

namespace package_detail {

// Only a regular file is read: a FIFO or a device behind the name would
// block the reader or never end.
Result<std::string, PackageError> readRecordText(const fs::path& file)
{
    std::error_code error;
    const auto status = fs::status(file, error);
    if (error) return fileError(file, error);
    if (!fs::is_regular_file(status)) return notRegularFile(file);
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) return fileError(file, std::error_code(errno, std::generic_category()));
    const FileDescriptor closer { descriptor };
    struct stat facts { };
    if (::fstat(descriptor, &facts) != 0 || !S_ISREG(facts.st_mode)) return notRegularFile(file);
    if (static_cast<std::uintmax_t>(facts.st_size) > maximumRecordSize)
        return fileError(file, std::make_error_code(std::errc::file_too_large));
    std::string text;
    char buffer[65536];
    while (true) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count == 0) break;
        if (count < 0) {
            if (errno == EINTR) continue;
            return fileError(file, std::error_code(errno, std::generic_category()));
        }
        text.append(buffer, static_cast<std::size_t>(count));
        if (text.size() > maximumRecordSize) return fileError(file, std::make_error_code(std::errc::file_too_large));
    }
    return text;
}

} // namespace package_detail

Result<PackageContents, PackageError> packageContents(const fs::path& package, const AppState& state)
{
    return packageContents(package, state.makeSnapshot());
}

Result<PackageContents, PackageError> packageContents(const fs::path& package, const AppState::Snapshot& project)
{
    const auto& images = project.images;
    const auto& current = project.currentProjectPath;
    std::error_code error;
    const bool inPlace = current && isSameFile(*current, package) && fs::is_directory(package, error);
    // Files already in the package's own "images" keep their names; a linked one is replaced anyway,
    // and any other package is built anew.
    const fs::path imagesFolder = package / packageImagesFolderName;
    const auto names = planPackageFileNames(images, inPlace && !isLink(imagesFolder) ? imagesFolder : fs::path());
    const auto encoded = encodeProjectFile(recordOf(project, names));
    if (!encoded) return PackageError { encoded.error().message };

    PackageContents contents { .package = package,
        .frames = {},
        .record = encoded.value(),
        .inPlace = inPlace,
        .keptFileNames = { names.begin(), names.end() },
        .expectedRecord = {},
        .openLock = {} };
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (const auto& source = images[i].sourcePath) {
            contents.frames.push_back({ .id = images[i].id, .fileName = names[i], .source = *source });
        }
    }
    return contents;
}

void addFrameFileNames(const std::vector<WallpaperImage>& frames, std::set<std::string>& names)
{
    for (const auto& frame : frames) {
        names.insert(frame.fileName);
        if (frame.sourcePath) names.insert(fs::path(*frame.sourcePath).filename().string());
    }
}

bool placeFrames(AppState& state, const PackageContents& contents, std::size_t count)
{
    if (count == 0) return true;
    bool allPlaced = true;
    state.images.mutate([&](std::vector<WallpaperImage>& frames) { allPlaced = placeFrames(frames, contents, count); });
    return allPlaced;
}

bool placeFrames(std::vector<WallpaperImage>& frames, const PackageContents& contents, std::size_t count)
{
    const fs::path imagesFolder = contents.package / packageImagesFolderName;
    bool allPlaced = true;
    for (std::size_t i = 0; i < count && i < contents.frames.size(); ++i) {
        const auto& placed = contents.frames[i];
        // A frame deleted while its file was copied has nothing left to point.
        const auto index = indexOfImage(frames, placed.id);
        if (!index) continue;
        // A frame given another file meanwhile (an applied edit) keeps it.
        if (frames[*index].sourcePath != placed.source.string()) {
            allPlaced = false;
            continue;
        }
        frames[*index].fileName = placed.fileName;
        frames[*index].sourcePath = (imagesFolder / placed.fileName).string();
    }
    return allPlaced;
}

Result<OpenedPackage, PackageError> readPackage(const fs::path& package)
{
    recoverInterruptedReplacements(package.parent_path());
    auto text = readRecordText(package / projectRecordName);
    if (!text) return text.error();
    auto decoded = decodeProjectFile(text.value());
    if (!decoded) return PackageError { decoded.error().message };

    OpenedPackage opened {
        .project = std::move(decoded).value(), .record = std::move(text).value(), .missingFileNames = {}
    };
    const fs::path imagesFolder = package / packageImagesFolderName;
    // A linked "images" leads out of the package: it counts as no folder, its frames as missing.
    const bool imagesInPackage = !isLink(imagesFolder);
    for (auto& image : opened.project.images) {
        const auto file = imagesInPackage ? frameFile(imagesFolder, image.fileName) : std::nullopt;
        if (!file) {
            log("ERROR: Image file not found: " + escapedForDisplay(imagesFolder.string() + "/" + image.fileName));
            opened.missingFileNames.push_back(image.fileName);
            continue;
        }
        image.sourcePath = file->string();
    }
    return opened;
}

} // namespace tl
