#pragma once

#include "platform/http/CurlTransport.h"

#include <mutex>
#include <vector>

namespace tl::testing {

// The real transport, remembering every request handed to it.
class RecordingTransport final : public HttpTransport {
public:
    Result<HttpResponse, HttpError> send(const HttpRequest& request, std::stop_token stop) override
    {
        {
            const std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        return transport_.send(request, stop);
    }

    std::vector<HttpRequest> requests() const
    {
        const std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    CurlTransport transport_;
    mutable std::mutex mutex_;
    std::vector<HttpRequest> requests_;
};

} // namespace tl::testing
