#include "platform/MemoryRoom.h"

#include "support/TestImageFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tl {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t mb = std::uint64_t { 1 } << 20;

std::string bytes(std::uint64_t megabytes)
{
    return std::to_string(megabytes * mb) + "\n";
}

struct RoomCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files; // path below the root, contents
    std::optional<std::uint64_t> roomMegabytes;
};

const std::string v1Unlimited = "9223372036854771712\n";

// What a process sees of its cgroups and of the system, as file contents below a root folder.
const std::vector<RoomCase> roomCases {
    { "v2 limit less what is used, the inactive file cache counting as free",
        { { "proc/self/cgroup", "0::/app.slice/export\n" },
            { "sys/fs/cgroup/app.slice/export/memory.max", bytes(8192) },
            { "sys/fs/cgroup/app.slice/export/memory.current", bytes(5232) },
            { "sys/fs/cgroup/app.slice/export/memory.stat",
                "anon 2097152\nfile 2700000000\ninactive_file " + std::to_string(2500 * mb)
                    + "\nactive_file 1000\n" } },
        8192 - (5232 - 2500) },
    { "v2 \"max\" in the group, the parent's limit holds",
        { { "proc/self/cgroup", "0::/user.slice/term\n" }, { "sys/fs/cgroup/user.slice/term/memory.max", "max\n" },
            { "sys/fs/cgroup/user.slice/term/memory.current", bytes(300) },
            { "sys/fs/cgroup/user.slice/memory.max", bytes(2048) },
            { "sys/fs/cgroup/user.slice/memory.current", bytes(1500) } },
        2048 - 1500 },
    { "v2 the group's own limit when it is the tighter",
        { { "proc/self/cgroup", "0::/user.slice/term\n" }, { "sys/fs/cgroup/user.slice/term/memory.max", bytes(1024) },
            { "sys/fs/cgroup/user.slice/term/memory.current", bytes(100) },
            { "sys/fs/cgroup/user.slice/memory.max", bytes(4096) },
            { "sys/fs/cgroup/user.slice/memory.current", bytes(1500) } },
        1024 - 100 },
    { "v2 \"max\" everywhere leaves MemAvailable",
        { { "proc/self/cgroup", "0::/a\n" }, { "sys/fs/cgroup/a/memory.max", "max\n" },
            { "sys/fs/cgroup/a/memory.current", bytes(100) },
            { "proc/meminfo", "MemTotal:       24000000 kB\nMemAvailable:    1048576 kB\n" } },
        1024 },
    { "MemAvailable when it is less than the group's room",
        { { "proc/self/cgroup", "0::/a\n" }, { "sys/fs/cgroup/a/memory.max", bytes(4096) },
            { "sys/fs/cgroup/a/memory.current", bytes(100) },
            { "proc/meminfo", "MemFree: 10 kB\nMemAvailable: 524288 kB\n" } },
        512 },
    { "v2 in a namespace: the group is the mount itself",
        { { "proc/self/cgroup", "0::/\n" }, { "sys/fs/cgroup/memory.max", bytes(6144) },
            { "sys/fs/cgroup/memory.current", bytes(1024) } },
        6144 - 1024 },
    { "v2 group path hidden by the namespace falls back to the mount",
        { { "proc/self/cgroup", "0::/machine.slice/box\n" }, { "sys/fs/cgroup/memory.max", bytes(3072) },
            { "sys/fs/cgroup/memory.current", bytes(72) } },
        3000 },
    { "v2 beside v1 controllers, mounted at unified",
        { { "proc/self/cgroup", "4:cpu:/\n0::/job\n" }, { "sys/fs/cgroup/unified/job/memory.max", bytes(2048) },
            { "sys/fs/cgroup/unified/job/memory.current", bytes(48) } },
        2000 },
    { "v1 limit less usage, with the hierarchy's inactive cache",
        { { "proc/self/cgroup", "9:pids:/\n4:memory:/docker/abc\n1:cpu,cpuacct:/\n" },
            { "sys/fs/cgroup/memory/docker/abc/memory.limit_in_bytes", bytes(6144) },
            { "sys/fs/cgroup/memory/docker/abc/memory.usage_in_bytes", bytes(5000) },
            { "sys/fs/cgroup/memory/docker/abc/memory.stat",
                "inactive_file " + std::to_string(10 * mb) + "\ntotal_inactive_file " + std::to_string(3000 * mb)
                    + "\n" } },
        6144 - (5000 - 3000) },
    { "v1 unlimited group below a limited parent",
        { { "proc/self/cgroup", "4:memory:/docker/abc\n" },
            { "sys/fs/cgroup/memory/docker/abc/memory.limit_in_bytes", v1Unlimited },
            { "sys/fs/cgroup/memory/docker/abc/memory.usage_in_bytes", bytes(700) },
            { "sys/fs/cgroup/memory/docker/memory.limit_in_bytes", bytes(1536) },
            { "sys/fs/cgroup/memory/docker/memory.usage_in_bytes", bytes(1000) },
            { "sys/fs/cgroup/memory/memory.limit_in_bytes", v1Unlimited },
            { "sys/fs/cgroup/memory/memory.usage_in_bytes", bytes(20000) } },
        1536 - 1000 },
    { "usage all cache leaves the whole limit, not more",
        { { "proc/self/cgroup", "0::/a\n" }, { "sys/fs/cgroup/a/memory.max", bytes(1024) },
            { "sys/fs/cgroup/a/memory.current", bytes(600) },
            { "sys/fs/cgroup/a/memory.stat", "inactive_file " + std::to_string(900 * mb) + "\n" } },
        1024 },
    { "usage beyond the limit leaves nothing",
        { { "proc/self/cgroup", "0::/a\n" }, { "sys/fs/cgroup/a/memory.max", bytes(1024) },
            { "sys/fs/cgroup/a/memory.current", bytes(1100) } },
        0 },
    { "nothing known",
        { { "proc/self/cgroup", "0::/\n" }, { "sys/fs/cgroup/memory.max", "max\n" },
            { "proc/meminfo", "MemTotal: 1000 kB\n" } },
        std::nullopt },
};

TEST(MemoryRoom, CgroupFilesGiveTheRoomBelowEveryLimitWithReclaimableCacheCountedAsFree)
{
    for (const RoomCase& c : roomCases) {
        const test::ScratchFolder root;
        for (const auto& [path, contents] : c.files) {
            fs::create_directories((root.path / path).parent_path());
            test::writeBytes(root.path / path, contents);
        }
        const auto room = residentRoomBelow(root.path);
        if (c.roomMegabytes) {
            ASSERT_TRUE(room) << c.name;
            EXPECT_EQ(*room / mb, *c.roomMegabytes) << c.name;
        } else {
            EXPECT_FALSE(room) << c.name << ": " << *room;
        }
    }
}

} // namespace
} // namespace tl
