#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

namespace tl {

// Held (shared) on this file by every instance that has the package open.
inline constexpr std::string_view packageOpenLockName = ".tidelumine-open.lock";

// One instance's shared hold on a package it has open, so that another instance's save leaves the
// frame files this one's undo history may still bring back. A lock (flock) of its own open file, so
// two holders in one process still see each other.
class PackageOpenLock {
public:
    // Waits only for a sweep under way elsewhere; not held when the file cannot be opened.
    explicit PackageOpenLock(const std::filesystem::path& package);
    ~PackageOpenLock();
    PackageOpenLock(const PackageOpenLock&) = delete;
    PackageOpenLock& operator=(const PackageOpenLock&) = delete;

    bool held() const { return held_; }
    const std::filesystem::path& package() const { return package_; }

    // Runs `work` holding the package alone, then holds it shared again; false, without running it,
    // when another holder has it open or the lock cannot be taken. Only under the package's write
    // lock (`packageLockName`).
    bool whileAlone(const std::function<void()>& work);

private:
    std::filesystem::path package_;
    int descriptor_ = -1;
    bool held_ = false;
};

} // namespace tl
