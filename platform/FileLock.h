#pragma once

#include <filesystem>

namespace tl {

// An advisory lock (flock) on one file, taken without waiting and held while the object lives, so
// two processes writing the same place can tell each other apart. The file is created when missing
// and left behind: removing it would let a third process lock a new file while the old one is held.
class ExclusiveFileLock {
public:
    explicit ExclusiveFileLock(const std::filesystem::path& file);
    ~ExclusiveFileLock();
    ExclusiveFileLock(const ExclusiveFileLock&) = delete;
    ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;

    bool held() const { return descriptor_ >= 0; }
    // Someone else holds it; false also when the file could not be opened at all (a read-only
    // folder, a missing one), which the caller's own writes will then report better.
    bool heldElsewhere() const { return heldElsewhere_; }

private:
    int descriptor_ = -1;
    bool heldElsewhere_ = false;
};

} // namespace tl
