#include "app/UpdateChannel.h"

#include "platform/Log.h"

namespace tl {

UpdateChannelManager::UpdateChannelManager(Defaults& defaults, NotificationCenter& notifications)
    : defaults_(defaults)
    , notifications_(notifications)
{
}

UpdateChannel UpdateChannelManager::currentChannel() const
{
    return defaults_.string(channelKey) == "beta" ? UpdateChannel::beta : UpdateChannel::stable;
}

void UpdateChannelManager::setCurrentChannel(UpdateChannel channel)
{
    const UpdateChannel old = currentChannel();
    if (channel == old) return;
    defaults_.set(channelKey, std::string(rawValue(channel)));
    notifications_.post(channelChangedNotification, { { "oldChannel", old }, { "newChannel", channel } });
    log("📡 Update channel changed: " + std::string(rawValue(old)) + " → " + std::string(rawValue(channel)));
}

std::string UpdateChannelManager::feedURL(std::string_view base) const
{
    const std::string_view path
        = currentChannel() == UpdateChannel::beta ? "/api/updates/appcast-beta.xml" : "/api/updates/appcast.xml";
    return std::string(base) + std::string(path);
}

} // namespace tl
