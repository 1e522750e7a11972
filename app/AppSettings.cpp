#include "app/AppSettings.h"

#include "app/ServerAddresses.h"

namespace tl {

AppSettings::AppSettings(Defaults& defaults, UpdateChannelManager& channels, const Environment& environment)
    : defaults_(defaults)
    , channels_(channels)
    , environment_(environment)
{
    updateChannel.setDidSet([this](UpdateChannel) { channels_.setCurrentChannel(updateChannel.get()); });
    useCustomServer.setDidSet([this](bool) { defaults_.set(useCustomServerKey, useCustomServer.get()); });
    customServerURL.setDidSet(
        [this](const std::string&) { defaults_.set(serverURLOverrideKey, customServerURL.get()); });
    load();
}

void AppSettings::load()
{
    updateChannel = channels_.currentChannel();
    useCustomServer = defaults_.boolean(useCustomServerKey).value_or(false);
    customServerURL = defaults_.string(serverURLOverrideKey).value_or(std::string());
}

std::string AppSettings::serverURL() const
{
    if (useCustomServer.get() && !customServerURL.get().empty()) return customServerURL.get();
    return resolvedServerURL(environment_);
}

void AppSettings::resetToDefaults()
{
    updateChannel = UpdateChannel::stable;
    useCustomServer = false;
    customServerURL = std::string();
}

} // namespace tl
