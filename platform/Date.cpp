#include "platform/Date.h"

#include <chrono>

namespace tl {

Date Date::now()
{
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return sinceUnixEpoch(std::chrono::duration<double>(sinceEpoch).count());
}

}  // namespace tl
