#include "platform/http/CurlTransport.h"

#include "platform/http/CurlTransfer.h"
#include "platform/http/WebUrl.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

namespace tl {
namespace {

bool isSafeHeaderText(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool headersAreSafe(const HttpHeaders& headers)
{
    return std::ranges::all_of(headers, [](const HttpHeader& header) {
        return !header.name.empty() && isSafeHeaderText(header.name) && isSafeHeaderText(header.value)
            && header.name.find(':') == std::string::npos;
    });
}

} // namespace

CurlTransport::CurlTransport()
    : CurlTransport(Options {})
{
}

CurlTransport::CurlTransport(Options options)
    : options_(options)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

Result<HttpResponse, HttpError> CurlTransport::send(const HttpRequest& request, std::stop_token stop)
{
    if (stop.stop_requested()) return HttpError { HttpError::Kind::cancelled };
    if (!isWebURL(request.url)) return HttpError { HttpError::Kind::invalidURL };
    if (!headersAreSafe(request.headers)) return HttpError { HttpError::Kind::invalidHeader };
    CurlTransfer transfer(request,
        { .idle = request.timeout.value_or(options_.defaultTimeout),
            .deadline = request.deadline.value_or(options_.defaultDeadline) },
        options_.maximumBodySize);
    return transfer.run(stop);
}

HttpTransport& sharedTransport()
{
    static CurlTransport transport;
    return transport;
}

} // namespace tl
