#pragma once

#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "platform/RawValue.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tl {

enum class UpdateChannel { stable, beta };

inline constexpr std::array allUpdateChannels { UpdateChannel::stable, UpdateChannel::beta };

constexpr std::string_view rawValue(UpdateChannel channel)
{
    return channel == UpdateChannel::beta ? "beta" : "stable";
}

// Only "stable" and "beta", in that letter case, make a channel.
constexpr std::optional<UpdateChannel> updateChannel(std::string_view raw)
{
    return caseWithRawValue(allUpdateChannels, raw);
}

// Keeps the update channel in the defaults, announces changes and builds the
// feed address. The defaults are its only state.
class UpdateChannelManager {
public:
    static constexpr std::string_view channelKey = "TidelumineAIUpdateChannel";
    static constexpr std::string_view channelChangedNotification = "UpdateChannelChanged";

    UpdateChannelManager(Defaults& defaults, NotificationCenter& notifications);

    // Anything but a stored "beta" reads as stable.
    UpdateChannel currentChannel() const;
    // Stores, posts "UpdateChannelChanged" with "oldChannel" and "newChannel", and
    // logs; does nothing when the channel is already `channel`.
    void setCurrentChannel(UpdateChannel channel);
    // `base` followed directly by the channel's appcast path.
    std::string feedURL(std::string_view base) const;

private:
    Defaults& defaults_;
    NotificationCenter& notifications_;
};

} // namespace tl
