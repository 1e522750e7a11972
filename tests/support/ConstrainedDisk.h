#pragma once

#include "platform/Uuid.h"

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>

namespace tl::testing {

// A small tmpfs of its own, mounted where the test may mount (as root, as in CI); `mounted()` says
// whether it is, and tests skip otherwise. Unmounted and removed with the object.
class SmallDisk {
public:
    explicit SmallDisk(std::size_t bytes)
    {
        std::filesystem::create_directories(path_);
        const std::string options = "size=" + std::to_string(bytes);
        mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk()
    {
        if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    // Remounts it read-only, as a locked card or a read-only share would be.
    bool makeReadOnly()
    {
        return mounted_ && ::mount(nullptr, path_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_ = std::filesystem::temp_directory_path() / ("tl-small-disk-" + Uuid::random().text());
    bool mounted_ = false;
};

// While it lives, no file of the process may grow beyond `bytes`: a write past it fails part-way
// (EFBIG) the way a filling disk does, without needing a mount.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limited { bytes, previous_.rlim_max };
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_ {};
    void (*previousHandler_)(int) = nullptr;
};

} // namespace tl::testing
