#pragma once

#include "platform/http/HttpTransport.h"

#include <chrono>
#include <cstddef>

namespace tl {

// The one transport of the program, over libcurl. Follows redirects between http and https
// addresses only, accepts compressed replies, and refuses replies above a size limit. A request
// ends as timed out when nothing moves for its idle limit, when it moves slower than a few bytes a
// second for that long (a server trickling bytes), or when it passes its deadline.
class CurlTransport final : public HttpTransport {
public:
    struct Options {
        // Idle limit for requests that name none.
        std::chrono::milliseconds defaultTimeout { std::chrono::seconds(60) };
        // Overall limit for requests that name none.
        std::chrono::milliseconds defaultDeadline { std::chrono::minutes(2) };
        std::size_t maximumBodySize = std::size_t { 256 } * 1024 * 1024;
    };

    CurlTransport();
    explicit CurlTransport(Options options);

    Result<HttpResponse, HttpError> send(const HttpRequest& request, std::stop_token stop) override;

private:
    Options options_;
};

// The process-wide transport shared by every client.
HttpTransport& sharedTransport();

} // namespace tl
