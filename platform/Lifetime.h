#pragma once

#include <memory>

namespace tl {

// Lets deferred work hold its owner weakly: the work checks the token before it
// touches the owner, and does nothing once the owner is gone.
class Lifetime {
public:
    std::weak_ptr<const int> token() const { return token_; }

private:
    std::shared_ptr<const int> token_ = std::make_shared<const int>(0);
};

} // namespace tl
