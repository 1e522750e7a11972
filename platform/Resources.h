#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace tl {

// Finds the read-only files installed with the program (prompt templates, models).
class Resources {
public:
    virtual ~Resources() = default;
    virtual std::optional<std::filesystem::path> find(std::string_view fileName) const = 0;
};

// Looks in a list of folders, first match wins.
class FolderResources final : public Resources {
public:
    explicit FolderResources(std::vector<std::filesystem::path> folders)
        : folders_(std::move(folders))
    {
    }

    std::optional<std::filesystem::path> find(std::string_view fileName) const override;

private:
    std::vector<std::filesystem::path> folders_;
};

// The installed share folder next to the running program, then the build tree's copy.
const Resources& programResources();

} // namespace tl
