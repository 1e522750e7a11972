#include "app/PackageOpenLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tl {
namespace {

bool setLock(int descriptor, int operation)
{
    int result = 0;
    do {
        result = ::flock(descriptor, operation);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

} // namespace

PackageOpenLock::PackageOpenLock(const std::filesystem::path& package)
    : package_(package)
{
    // Read only, so that holding it never keeps the disk from being made read-only.
    descriptor_ = ::open((package / packageOpenLockName).c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (descriptor_ >= 0) held_ = setLock(descriptor_, LOCK_SH);
}

PackageOpenLock::~PackageOpenLock()
{
    if (descriptor_ >= 0) ::close(descriptor_);
}

bool PackageOpenLock::whileAlone(const std::function<void()>& work)
{
    if (descriptor_ < 0) return false;
    // A refused upgrade drops the shared hold for a moment; callers hold the package's write lock,
    // so no other sweep can take the package in that moment.
    const bool alone = setLock(descriptor_, LOCK_EX | LOCK_NB);
    if (alone) work();
    held_ = setLock(descriptor_, LOCK_SH);
    return alone;
}

} // namespace tl
