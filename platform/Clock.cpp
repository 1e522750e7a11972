#include "platform/Clock.h"

namespace tl {

const Clock& systemClock()
{
    static const SystemClock clock;
    return clock;
}

} // namespace tl
