#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace tl {

// What this process may still take before an allocation fails or the kernel ends it: address space
// below RLIMIT_AS, and memory below the limit of its cgroup and of every group above it, and below
// the system's MemAvailable. Inactive file cache counts as free, since the kernel drops it before it
// refuses a page. Nothing where no limit is known.
struct MemoryRoom {
    std::optional<std::uint64_t> addressSpace;
    std::optional<std::uint64_t> resident;
};

MemoryRoom memoryRoomNow();

// The resident part as the files below `root` tell it (proc/self/cgroup, proc/meminfo and the
// cgroup mounts below sys/fs/cgroup); memoryRoomNow reads it below "/".
std::optional<std::uint64_t> residentRoomBelow(const std::filesystem::path& root);

} // namespace tl
