#pragma once

// Tests that cap a child's address space: the cap is counted from what the process has mapped,
// and the address sanitizer maps far more than any cap leaves, so those tests skip under it.

#include <unistd.h>

#include <cstdint>
#include <fstream>

#if defined(__SANITIZE_ADDRESS__)
#define TL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TL_ADDRESS_SANITIZER 1
#endif
#endif

namespace tl::test {

// The address space this process has mapped now, in bytes.
inline std::uint64_t mappedBytes()
{
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

} // namespace tl::test
