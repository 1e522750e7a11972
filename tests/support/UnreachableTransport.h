#pragma once

#include "platform/http/HttpTransport.h"

namespace tl::testing {

// A network that is never reachable, so code under test never leaves the machine.
class UnreachableTransport final : public HttpTransport {
public:
    Result<HttpResponse, HttpError> send(const HttpRequest&, std::stop_token) override
    {
        return HttpError { HttpError::Kind::cannotConnect };
    }
};

} // namespace tl::testing
