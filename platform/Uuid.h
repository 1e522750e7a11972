#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tl {

// A 128-bit identifier whose text form is the canonical 36-character,
// upper-case 8-4-4-4-12 grouping.
class Uuid {
public:
    using Bytes = std::array<std::uint8_t, 16>;

    constexpr Uuid() = default;
    explicit constexpr Uuid(const Bytes& bytes) : bytes_(bytes) {}

    // A version-4 (random) identifier.
    static Uuid random();
    // Accepts the canonical grouping in either letter case; anything else is no value.
    static std::optional<Uuid> parse(std::string_view text);

    std::string text() const;
    const Bytes& bytes() const { return bytes_; }

    friend auto operator<=>(const Uuid&, const Uuid&) = default;

private:
    Bytes bytes_{};
};

}  // namespace tl

template <>
struct std::hash<tl::Uuid> {
    std::size_t operator()(const tl::Uuid& uuid) const noexcept;
};
