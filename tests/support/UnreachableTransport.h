#pragma once

#include "platform/http/HttpTransport.h"

#include <mutex>
#include <string>
#include <vector>

namespace tl::testing {

// A network that is never reachable, so code under test never leaves the machine. It remembers
// the addresses it was asked for.
class UnreachableTransport final : public HttpTransport {
public:
    Result<HttpResponse, HttpError> send(const HttpRequest& request, std::stop_token) override
    {
        const std::lock_guard lock(mutex_);
        urls_.push_back(request.url);
        return HttpError { HttpError::Kind::cannotConnect };
    }

    std::vector<std::string> urls() const
    {
        const std::lock_guard lock(mutex_);
        return urls_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> urls_;
};

} // namespace tl::testing
