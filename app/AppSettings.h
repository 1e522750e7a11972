#pragma once

#include "app/UpdateChannel.h"
#include "platform/Defaults.h"
#include "platform/Environment.h"
#include "platform/Observation.h"

#include <string>
#include <string_view>

namespace tl {

// The user's few settings: update channel, custom server switch and address.
// Every write is stored at once; the channel goes through the channel manager.
// Main thread only.
class AppSettings {
public:
    static constexpr std::string_view updateChannelKey = UpdateChannelManager::channelKey;
    static constexpr std::string_view serverURLOverrideKey = "TidelumineAIServerURLOverride";
    static constexpr std::string_view useCustomServerKey = "TidelumineAIUseCustomServer";

    // Loads the stored values, writing the two server values back.
    AppSettings(
        Defaults& defaults, UpdateChannelManager& channels, const Environment& environment = processEnvironment());
    AppSettings(const AppSettings&) = delete;
    AppSettings& operator=(const AppSettings&) = delete;

    Observable<UpdateChannel> updateChannel { UpdateChannel::stable };
    Observable<bool> useCustomServer { false };
    Observable<std::string> customServerURL;

    // The custom address as typed when it is switched on and not empty, else the
    // environment's or the release address.
    std::string serverURL() const;
    void resetToDefaults();
    void load();

private:
    Defaults& defaults_;
    UpdateChannelManager& channels_;
    const Environment& environment_;
};

} // namespace tl
