#include "engine/EncoderMemory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <utility>

namespace tl {
namespace {

constexpr std::uint64_t megabyte = std::uint64_t { 1 } << 20;
// A cgroup limit this large (v1's "no limit") limits nothing.
constexpr std::uint64_t unlimited = std::uint64_t { 1 } << 62;

std::optional<std::uint64_t> numberIn(const std::string& file)
{
    std::ifstream input(file);
    std::uint64_t value = 0;
    if (!(input >> value) || value >= unlimited) return std::nullopt;
    return value;
}

std::optional<std::uint64_t> difference(std::optional<std::uint64_t> limit, std::optional<std::uint64_t> used)
{
    if (!limit) return std::nullopt;
    return *limit - std::min(*limit, used.value_or(0));
}

std::optional<std::uint64_t> smaller(std::optional<std::uint64_t> first, std::optional<std::uint64_t> second)
{
    if (!first) return second;
    if (!second) return first;
    return std::min(*first, *second);
}

std::optional<std::uint64_t> addressSpaceRoom()
{
    rlimit limit {};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    return difference(limit.rlim_cur, pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)));
}

// Room below the limit of the cgroup in `folder`, or of the mount itself where a namespace hides
// the group's own folder.
std::optional<std::uint64_t> groupRoom(
    const std::string& mount, const std::string& group, const char* limitFile, const char* usageFile)
{
    for (const auto& folder : { mount + group, mount }) {
        if (std::ifstream(folder + "/" + limitFile))
            return difference(numberIn(folder + "/" + limitFile), numberIn(folder + "/" + usageFile));
    }
    return std::nullopt;
}

// Room below the memory limit of this process's cgroup (v2's memory.max or v1's limit).
std::optional<std::uint64_t> cgroupRoom()
{
    std::ifstream groups("/proc/self/cgroup");
    std::optional<std::uint64_t> room;
    for (std::string line; std::getline(groups, line);) {
        const auto first = line.find(':');
        const auto second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        const std::string controllers = "," + line.substr(first + 1, second - first - 1) + ",";
        const std::string group = line.substr(second + 1);
        if (line.starts_with("0::")) {
            room = smaller(room, groupRoom("/sys/fs/cgroup", group, "memory.max", "memory.current"));
        } else if (controllers.find(",memory,") != std::string::npos) {
            room = smaller(
                room, groupRoom("/sys/fs/cgroup/memory", group, "memory.limit_in_bytes", "memory.usage_in_bytes"));
        }
    }
    return room;
}

std::optional<std::uint64_t> availableMemory()
{
    std::ifstream meminfo("/proc/meminfo");
    for (std::string line; std::getline(meminfo, line);) {
        std::istringstream fields(line);
        std::string key;
        std::uint64_t kilobytes = 0;
        if (fields >> key >> kilobytes && key == "MemAvailable:") return kilobytes * 1024;
    }
    return std::nullopt;
}

std::mutex reservationMutex;
std::condition_variable reservationReturned;
EncoderMemoryNeed reserved;
int holders = 0;

bool fitsBeside(std::uint64_t need, std::uint64_t held, std::optional<std::uint64_t> room)
{
    return !room || need + held <= *room;
}

} // namespace

EncoderMemoryNeed encoderMemoryNeed(int width, int height, int threads)
{
    const auto pixels
        = static_cast<std::uint64_t>(std::max(width, 0)) * static_cast<std::uint64_t>(std::max(height, 0));
    const auto workers = static_cast<std::uint64_t>(std::max(threads, 1));
    return { .addressSpace = 700 * megabyte + workers * 90 * megabyte + pixels * 24,
        .resident = 64 * megabyte + pixels * 21 };
}

MemoryRoom memoryRoomNow()
{
    return { .addressSpace = addressSpaceRoom(), .resident = smaller(cgroupRoom(), availableMemory()) };
}

std::optional<EncoderMemoryReservation> EncoderMemoryReservation::take(int width, int height, int threads)
{
    const EncoderMemoryNeed need = encoderMemoryNeed(width, height, threads);
    std::unique_lock lock(reservationMutex);
    while (true) {
        const MemoryRoom room = memoryRoomNow();
        if (fitsBeside(need.addressSpace, reserved.addressSpace, room.addressSpace)
            && fitsBeside(need.resident, reserved.resident, room.resident))
            return EncoderMemoryReservation(need);
        // What others hold may be enough once they are done; alone, the frame cannot fit.
        if (holders == 0) return std::nullopt;
        reservationReturned.wait(lock);
    }
}

EncoderMemoryReservation::EncoderMemoryReservation(EncoderMemoryNeed need)
    : need_(need)
{
    reserved.addressSpace += need.addressSpace;
    reserved.resident += need.resident;
    ++holders;
}

EncoderMemoryReservation::EncoderMemoryReservation(EncoderMemoryReservation&& other) noexcept
    : need_(std::exchange(other.need_, std::nullopt))
{
}

EncoderMemoryReservation::~EncoderMemoryReservation()
{
    if (!need_) return;
    const std::lock_guard lock(reservationMutex);
    reserved.addressSpace -= need_->addressSpace;
    reserved.resident -= need_->resident;
    --holders;
    reservationReturned.notify_all();
}

} // namespace tl
