#include "platform/http/WebUrl.h"

#include <curl/curl.h>

#include <memory>
#include <string>

namespace tl {
namespace {

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

struct CurlStringDeleter {
    void operator()(char* text) const { curl_free(text); }
};

std::unique_ptr<char, CurlStringDeleter> part(CURLU* url, CURLUPart which)
{
    char* text = nullptr;
    if (curl_url_get(url, which, &text, 0) != CURLUE_OK) return nullptr;
    return std::unique_ptr<char, CurlStringDeleter>(text);
}

} // namespace

bool isWebURL(std::string_view text)
{
    const std::string copy(text);
    if (copy.find_first_of(std::string_view("\0\r\n\t ", 5)) != std::string::npos) return false;
    std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, copy.c_str(), 0) != CURLUE_OK) return false;
    const auto scheme = part(url.get(), CURLUPART_SCHEME);
    const auto host = part(url.get(), CURLUPART_HOST);
    if (!scheme || !host || *host.get() == '\0') return false;
    const std::string_view schemeText(scheme.get());
    return schemeText == "http" || schemeText == "https";
}

} // namespace tl
