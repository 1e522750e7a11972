#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>

namespace tl {

// Memory that picture decodes may take at once. A decode reserves what it will hold at its peak
// before allocating it, and waits until it fits; one costing more than the whole budget waits until
// nothing else is reserved and then runs alone. The library decodes several thumbnails at a time,
// and each large picture can take a gigabyte on its own.
//
// Waiting decodes start in the order they asked, with one exception: while the oldest waiting one
// is held back by work that began before it, later ones that fit beside that work go ahead, so a
// thumbnail is not kept waiting through a huge picture's decode. Once that earlier work is done no
// one overtakes any more, so a large decode cannot be starved by a stream of small ones.
class DecodeBudget {
public:
    // What one decode holds until it is destroyed.
    class Reservation {
    public:
        Reservation(Reservation&& other) noexcept;
        Reservation& operator=(Reservation&&) = delete;
        Reservation(const Reservation&) = delete;
        Reservation& operator=(const Reservation&) = delete;
        ~Reservation();

    private:
        friend class DecodeBudget;
        Reservation(DecodeBudget* budget, std::uint64_t ticket, std::uint64_t bytes);
        DecodeBudget* budget_;
        std::uint64_t ticket_;
        std::uint64_t bytes_;
    };

    explicit DecodeBudget(std::uint64_t capacityBytes);

    // Blocks until the bytes can be had; never call it on the GUI thread or while holding another.
    Reservation reserve(std::uint64_t bytes);

    // Decodes waiting for room now.
    std::size_t waitingCount() const;

    // The budget every decoder of this process shares.
    static DecodeBudget& shared();

private:
    bool mayStart(std::uint64_t ticket, std::uint64_t bytes) const;
    void release(std::uint64_t ticket, std::uint64_t bytes);

    const std::uint64_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t reserved_ = 0;
    std::uint64_t nextTicket_ = 0;
    std::map<std::uint64_t, std::uint64_t> waiting_; // ticket to bytes, oldest first
    std::set<std::uint64_t> holding_; // tickets of the reservations held
};

// Bytes of a picture of width x height with `bytesPerPixel`, as the budget counts them.
std::uint64_t pictureBytes(std::int64_t width, std::int64_t height, double bytesPerPixel);

} // namespace tl
