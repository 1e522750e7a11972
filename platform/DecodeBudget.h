#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace tl {

// Memory that picture decodes may take at once. A decode reserves what its picture's header says
// it will cost before allocating it, and waits, in the order decodes asked, until earlier ones have
// returned enough; one costing more than the whole budget waits until nothing else is reserved and
// then runs alone. The library decodes several thumbnails at a time, and each large picture can
// take a gigabyte on its own.
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
        Reservation(DecodeBudget* budget, std::uint64_t bytes);
        DecodeBudget* budget_;
        std::uint64_t bytes_;
    };

    explicit DecodeBudget(std::uint64_t capacityBytes);

    // Blocks until the bytes can be had; never call it on the GUI thread or while holding another.
    Reservation reserve(std::uint64_t bytes);

    // The budget every decoder of this process shares.
    static DecodeBudget& shared();

private:
    void release(std::uint64_t bytes);

    const std::uint64_t capacity_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t reserved_ = 0;
    std::uint64_t nextTicket_ = 0;
    std::uint64_t serving_ = 0;
};

// Bytes of a picture of width x height with `bytesPerPixel`, as the budget counts them.
std::uint64_t pictureBytes(std::int64_t width, std::int64_t height, double bytesPerPixel);

} // namespace tl
