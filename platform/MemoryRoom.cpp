#include "platform/MemoryRoom.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tl {
namespace {

namespace fs = std::filesystem;

// A v1 limit this large (its "no limit" is a page short of 2^63) limits nothing.
constexpr std::uint64_t unlimited = std::uint64_t { 1 } << 62;

// The files of one cgroup version: its limit, what it counts as used, and the memory.stat key of
// the file cache in that count that the kernel can drop.
struct GroupFiles {
    const char* limit;
    const char* usage;
    const char* reclaimable;
};
constexpr GroupFiles version2 { "memory.max", "memory.current", "inactive_file" };
constexpr GroupFiles version1 { "memory.limit_in_bytes", "memory.usage_in_bytes", "total_inactive_file" };

// A number in a file; none when missing, not a number (v2's "max") or too large to limit anything.
std::optional<std::uint64_t> numberIn(const fs::path& file)
{
    std::ifstream input(file);
    std::uint64_t value = 0;
    if (!(input >> value) || value >= unlimited) return std::nullopt;
    return value;
}

std::uint64_t statValue(const fs::path& file, const std::string& key)
{
    std::ifstream input(file);
    for (std::string line; std::getline(input, line);) {
        std::istringstream fields(line);
        std::string name;
        std::uint64_t value = 0;
        if (fields >> name >> value && name == key) return value;
    }
    return 0;
}

std::optional<std::uint64_t> smaller(std::optional<std::uint64_t> first, std::optional<std::uint64_t> second)
{
    if (!first) return second;
    if (!second) return first;
    return std::min(*first, *second);
}

std::optional<std::uint64_t> roomBelowLimit(const fs::path& folder, const GroupFiles& files)
{
    const auto limit = numberIn(folder / files.limit);
    if (!limit) return std::nullopt;
    const std::uint64_t usage = numberIn(folder / files.usage).value_or(0);
    const std::uint64_t used = usage - std::min(usage, statValue(folder / "memory.stat", files.reclaimable));
    return *limit - std::min(*limit, used);
}

// The group's folder and those of its parents up to the mount. Where a namespace shows the group at
// the mount itself, its folder path is not there and the mount is the group.
std::vector<fs::path> groupAndParents(const fs::path& mount, const std::string& group)
{
    const fs::path relative = fs::path(group).relative_path();
    std::error_code error;
    if (relative.empty() || !fs::is_directory(mount / relative, error)) return { mount };
    std::vector<fs::path> folders { mount };
    for (const auto& part : relative)
        folders.push_back(folders.back() / part);
    return folders;
}

std::optional<std::uint64_t> hierarchyRoom(const fs::path& mount, const std::string& group, const GroupFiles& files)
{
    std::optional<std::uint64_t> room;
    for (const auto& folder : groupAndParents(mount, group))
        room = smaller(room, roomBelowLimit(folder, files));
    return room;
}

// Lines of /proc/self/cgroup read "id:controllers:path"; v2's is "0::path". A v2 hierarchy is
// mounted at sys/fs/cgroup, or at sys/fs/cgroup/unified beside v1 controllers.
std::optional<std::uint64_t> cgroupRoom(const fs::path& root)
{
    std::ifstream groups(root / "proc/self/cgroup");
    const fs::path mounts = root / "sys/fs/cgroup";
    std::optional<std::uint64_t> room;
    for (std::string line; std::getline(groups, line);) {
        const auto first = line.find(':');
        const auto second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        const std::string controllers = "," + line.substr(first + 1, second - first - 1) + ",";
        const std::string group = line.substr(second + 1);
        if (line.starts_with("0::")) {
            room = smaller(room, hierarchyRoom(mounts, group, version2));
            room = smaller(room, hierarchyRoom(mounts / "unified", group, version2));
        } else if (controllers.find(",memory,") != std::string::npos) {
            room = smaller(room, hierarchyRoom(mounts / "memory", group, version1));
        }
    }
    return room;
}

std::optional<std::uint64_t> availableMemory(const fs::path& root)
{
    std::ifstream meminfo(root / "proc/meminfo");
    for (std::string line; std::getline(meminfo, line);) {
        std::istringstream fields(line);
        std::string key;
        std::uint64_t kilobytes = 0;
        if (fields >> key >> kilobytes && key == "MemAvailable:") return kilobytes * 1024;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> addressSpaceRoom()
{
    rlimit limit {};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    const std::uint64_t mapped = pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    return limit.rlim_cur - std::min<std::uint64_t>(limit.rlim_cur, mapped);
}

} // namespace

std::optional<std::uint64_t> residentRoomBelow(const fs::path& root)
{
    return smaller(cgroupRoom(root), availableMemory(root));
}

MemoryRoom memoryRoomNow()
{
    return { .addressSpace = addressSpaceRoom(), .resident = residentRoomBelow("/") };
}

} // namespace tl
