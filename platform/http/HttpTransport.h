#pragma once

#include "platform/Result.h"
#include "platform/http/HttpError.h"
#include "platform/http/HttpMessage.h"

#include <stop_token>

namespace tl {

// Sends one request and waits for its whole response. Blocks the calling thread, so callers
// run it on a worker; a stop request ends the transfer at once with the cancelled error.
// Any status code is a response: the caller decides what a 404 means.
class HttpTransport {
public:
    virtual ~HttpTransport() = default;
    virtual Result<HttpResponse, HttpError> send(const HttpRequest& request, std::stop_token stop) = 0;
};

} // namespace tl
