#include "platform/Bundle.h"

#include "BuildNumber.h"

namespace tl {

BundleInfo mainBundle()
{
    const std::string buildNumber = TIDELUMINE_BUILD_NUMBER;
    return { TIDELUMINE_BUNDLE_IDENTIFIER, TIDELUMINE_VERSION,
        buildNumber.empty() ? std::nullopt : std::optional<std::string>(buildNumber) };
}

} // namespace tl
