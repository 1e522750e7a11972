#include "platform/DecodeBudget.h"

#include <algorithm>
#include <utility>

namespace tl {

// A gigabyte lets one huge picture or many ordinary ones decode at a time, and keeps the program
// well below two even with a huge picture's thumbnails all asked for at once.
constexpr std::uint64_t sharedCapacity = std::uint64_t { 1 } << 30;

DecodeBudget::Reservation::Reservation(DecodeBudget* budget, std::uint64_t ticket, std::uint64_t bytes)
    : budget_(budget)
    , ticket_(ticket)
    , bytes_(bytes)
{
}

DecodeBudget::Reservation::Reservation(Reservation&& other) noexcept
    : budget_(std::exchange(other.budget_, nullptr))
    , ticket_(other.ticket_)
    , bytes_(other.bytes_)
{
}

DecodeBudget::Reservation::~Reservation()
{
    if (budget_) budget_->release(ticket_, bytes_);
}

DecodeBudget::DecodeBudget(std::uint64_t capacityBytes)
    : capacity_(capacityBytes)
{
}

bool DecodeBudget::mayStart(std::uint64_t ticket, std::uint64_t bytes) const
{
    if (reserved_ + bytes > capacity_) return false;
    const auto [oldest, oldestBytes] = *waiting_.begin();
    if (oldest == ticket) return true;
    const bool oldestFits = reserved_ + oldestBytes <= capacity_;
    const bool earlierWorkRuns = !holding_.empty() && *holding_.begin() < oldest;
    return !oldestFits && earlierWorkRuns;
}

DecodeBudget::Reservation DecodeBudget::reserve(std::uint64_t bytes)
{
    // More than the whole budget takes all of it: it runs once everything before it is done.
    const std::uint64_t amount = std::min(bytes, capacity_);
    std::unique_lock lock(mutex_);
    const std::uint64_t ticket = nextTicket_++;
    waiting_.emplace(ticket, amount);
    changed_.wait(lock, [&] { return mayStart(ticket, amount); });
    waiting_.erase(ticket);
    holding_.insert(ticket);
    reserved_ += amount;
    lock.unlock();
    // The oldest waiting decode may no longer be first, or may have stopped others overtaking.
    changed_.notify_all();
    return Reservation(this, ticket, amount);
}

std::size_t DecodeBudget::waitingCount() const
{
    const std::lock_guard lock(mutex_);
    return waiting_.size();
}

void DecodeBudget::release(std::uint64_t ticket, std::uint64_t bytes)
{
    {
        const std::lock_guard lock(mutex_);
        reserved_ -= bytes;
        holding_.erase(ticket);
    }
    changed_.notify_all();
}

DecodeBudget& DecodeBudget::shared()
{
    static DecodeBudget budget(sharedCapacity);
    return budget;
}

std::uint64_t pictureBytes(std::int64_t width, std::int64_t height, double bytesPerPixel)
{
    return static_cast<std::uint64_t>(static_cast<double>(std::max<std::int64_t>(width, 0))
        * static_cast<double>(std::max<std::int64_t>(height, 0)) * bytesPerPixel);
}

} // namespace tl
