#include "platform/FileLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tl {

ExclusiveFileLock::ExclusiveFileLock(const std::filesystem::path& file)
{
    const int descriptor = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (descriptor < 0) return;
    int result = 0;
    do {
        result = ::flock(descriptor, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        descriptor_ = descriptor;
        return;
    }
    heldElsewhere_ = errno == EWOULDBLOCK;
    ::close(descriptor);
}

ExclusiveFileLock::~ExclusiveFileLock()
{
    if (descriptor_ >= 0) ::close(descriptor_);
}

} // namespace tl
