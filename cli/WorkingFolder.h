#pragma once

#include "platform/Uuid.h"

#include <filesystem>

namespace tl::cli {

// A scratch folder removed with the object, for frames on their way into a package or a wallpaper.
struct WorkingFolder {
    WorkingFolder() { std::filesystem::create_directories(path); }
    ~WorkingFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;
    const std::filesystem::path path
        = std::filesystem::temp_directory_path() / ("TidelumineImport-" + Uuid::random().text());
};

} // namespace tl::cli
