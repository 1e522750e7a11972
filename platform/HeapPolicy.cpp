#include "platform/HeapPolicy.h"

#include <malloc.h>

namespace tl {

void returnLargeFreedBuffersToTheSystem()
{
    // Setting the bound at all fixes it; glibc's default value, no longer moved.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
}

} // namespace tl
