#include "platform/http/CurlTransfer.h"

#include <algorithm>
#include <stop_token>
#include <string_view>

namespace tl {
namespace {

constexpr long kMaximumRedirects = 10;
constexpr std::chrono::milliseconds kLongestWait { 1000 };
// Slower than this for a whole idle limit (and at least a short while, since every transfer starts
// slow) is a server trickling bytes to hold the request open.
constexpr long kSlowestBytesPerSecond = 64;
constexpr std::chrono::seconds kShortestSlowWindow { 2 };

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

} // namespace

CurlTransfer::CurlTransfer(const HttpRequest& request, TransferLimits limits, std::size_t maximumBodySize)
    : idleLimit_(limits.idle)
    , maximumBodySize_(maximumBodySize)
    , multi_(curl_multi_init())
    , easy_(curl_easy_init())
{
    configure(request, limits.deadline);
}

void CurlTransfer::configure(const HttpRequest& request, std::chrono::milliseconds deadline)
{
    CURL* easy = easy_.get();
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(std::max<long long>(1, deadline.count())));
    const auto slowWindow = std::max(kShortestSlowWindow, std::chrono::ceil<std::chrono::seconds>(idleLimit_));
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, kSlowestBytesPerSecond);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(slowWindow.count()));
    curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaximumRedirects);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maximumBodySize_));

    if (request.method == "GET") {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else if (request.method == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    }
    if (!request.body.empty() || request.method == "POST") {
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.data());
    }

    // An empty "Expect:" stops curl from waiting for a 100-continue before large bodies.
    curl_slist* list = curl_slist_append(nullptr, "Expect:");
    // curl labels every body as a form unless told otherwise; a body without a type goes untyped.
    if (!request.header("Content-Type")) list = curl_slist_append(list, "Content-Type:");
    for (const auto& header : request.headers) {
        const std::string line = header.value.empty() ? header.name + ";" : header.name + ": " + header.value;
        list = curl_slist_append(list, line.c_str());
    }
    headerList_.reset(list);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list);

    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlTransfer::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlTransfer::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CurlTransfer::onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
}

std::size_t CurlTransfer::onBody(char* data, std::size_t size, std::size_t count, void* self)
{
    auto& transfer = *static_cast<CurlTransfer*>(self);
    const std::size_t length = size * count;
    if (transfer.response_.body.size() + length > transfer.maximumBodySize_) {
        transfer.bodyTooLarge_ = true;
        return 0;
    }
    transfer.response_.body.append(data, length);
    transfer.lastActivity_ = std::chrono::steady_clock::now();
    return length;
}

std::size_t CurlTransfer::onHeader(char* data, std::size_t size, std::size_t count, void* self)
{
    auto& transfer = *static_cast<CurlTransfer*>(self);
    const std::size_t length = size * count;
    const std::string_view line(data, length);
    transfer.lastActivity_ = std::chrono::steady_clock::now();
    if (line.starts_with("HTTP/")) {
        // A new response begins (after a redirect or an interim reply): only the last one's headers count.
        transfer.response_.headers.clear();
    } else if (const auto colon = line.find(':'); colon != std::string_view::npos) {
        transfer.response_.headers.push_back(
            { std::string(trimmed(line.substr(0, colon))), std::string(trimmed(line.substr(colon + 1))) });
    }
    return length;
}

int CurlTransfer::onProgress(void* self, curl_off_t downloaded, curl_off_t, curl_off_t uploaded, curl_off_t)
{
    auto& transfer = *static_cast<CurlTransfer*>(self);
    if (const curl_off_t moved = downloaded + uploaded; moved != transfer.bytesMoved_) {
        transfer.bytesMoved_ = moved;
        transfer.lastActivity_ = std::chrono::steady_clock::now();
    }
    return 0;
}

Result<HttpResponse, HttpError> CurlTransfer::run(std::stop_token stop)
{
    if (!multi_ || !easy_ || !headerList_) return HttpError { HttpError::Kind::connectionLost };
    curl_multi_add_handle(multi_.get(), easy_.get());
    const std::stop_callback wake(stop, [multi = multi_.get()] { curl_multi_wakeup(multi); });

    lastActivity_ = std::chrono::steady_clock::now();
    int running = 1;
    CURLcode outcome = CURLE_OK;
    while (true) {
        if (curl_multi_perform(multi_.get(), &running) != CURLM_OK) {
            outcome = CURLE_RECV_ERROR;
            break;
        }
        if (running == 0) {
            int queued = 0;
            while (const CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
                if (message->msg == CURLMSG_DONE) outcome = message->data.result;
            }
            break;
        }
        if (stop.stop_requested()) break;
        const auto idle = std::chrono::steady_clock::now() - lastActivity_;
        if (idle >= idleLimit_) break;
        const auto wait
            = std::min(kLongestWait, std::chrono::duration_cast<std::chrono::milliseconds>(idleLimit_ - idle));
        curl_multi_poll(multi_.get(), nullptr, 0, static_cast<int>(std::max<long long>(1, wait.count())), nullptr);
    }
    curl_multi_remove_handle(multi_.get(), easy_.get());

    if (running != 0) {
        return HttpError { stop.stop_requested() ? HttpError::Kind::cancelled : HttpError::Kind::timedOut };
    }
    if (outcome != CURLE_OK) return errorFor(outcome);
    curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &response_.status);
    return std::move(response_);
}

HttpError CurlTransfer::errorFor(CURLcode code) const
{
    using Kind = HttpError::Kind;
    if (bodyTooLarge_) return { Kind::tooLarge };
    switch (code) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return { Kind::cannotConnect };
    case CURLE_OPERATION_TIMEDOUT:
        return { Kind::timedOut };
    case CURLE_FILESIZE_EXCEEDED:
        return { Kind::tooLarge };
    case CURLE_TOO_MANY_REDIRECTS:
        return { Kind::tooManyRedirects };
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return { Kind::invalidURL };
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        return { Kind::secureConnectionFailed };
    default:
        return { Kind::connectionLost };
    }
}

} // namespace tl
