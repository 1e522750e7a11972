#include "platform/Bundle.h"

namespace tl {

BundleInfo mainBundle()
{
    return { TIDELUMINE_BUNDLE_IDENTIFIER, TIDELUMINE_VERSION };
}

} // namespace tl
