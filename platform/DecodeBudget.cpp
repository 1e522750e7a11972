#include "platform/DecodeBudget.h"

#include <algorithm>
#include <utility>

namespace tl {

// A gigabyte lets one huge picture or many ordinary ones decode at a time, and keeps the program
// well below two even with a huge picture's thumbnails all asked for at once.
constexpr std::uint64_t sharedCapacity = std::uint64_t { 1 } << 30;

DecodeBudget::Reservation::Reservation(DecodeBudget* budget, std::uint64_t bytes)
    : budget_(budget)
    , bytes_(bytes)
{
}

DecodeBudget::Reservation::Reservation(Reservation&& other) noexcept
    : budget_(std::exchange(other.budget_, nullptr))
    , bytes_(other.bytes_)
{
}

DecodeBudget::Reservation::~Reservation()
{
    if (budget_) budget_->release(bytes_);
}

DecodeBudget::DecodeBudget(std::uint64_t capacityBytes)
    : capacity_(capacityBytes)
{
}

DecodeBudget::Reservation DecodeBudget::reserve(std::uint64_t bytes)
{
    // More than the whole budget takes all of it: it runs once everything before it is done.
    const std::uint64_t amount = std::min(bytes, capacity_);
    std::unique_lock lock(mutex_);
    const std::uint64_t ticket = nextTicket_++;
    changed_.wait(lock, [&] { return serving_ == ticket && reserved_ + amount <= capacity_; });
    reserved_ += amount;
    ++serving_;
    lock.unlock();
    changed_.notify_all();
    return Reservation(this, amount);
}

void DecodeBudget::release(std::uint64_t bytes)
{
    {
        const std::lock_guard lock(mutex_);
        reserved_ -= bytes;
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
