#pragma once

#include "platform/http/HttpTransport.h"

#include <curl/curl.h>

#include <chrono>
#include <memory>

namespace tl {

// How long a transfer may wait for bytes, and how long it may take in all.
struct TransferLimits {
    std::chrono::milliseconds idle;
    std::chrono::milliseconds deadline;
};

// One request on its own easy and multi handle, driven until it ends, goes idle or slow too long,
// passes its deadline, or is stopped. The multi handle lets a stop request wake the wait at once.
class CurlTransfer {
public:
    CurlTransfer(const HttpRequest& request, TransferLimits limits, std::size_t maximumBodySize);

    Result<HttpResponse, HttpError> run(std::stop_token stop);

private:
    struct EasyDeleter {
        void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
    };
    struct MultiDeleter {
        void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
    };
    struct ListDeleter {
        void operator()(curl_slist* list) const { curl_slist_free_all(list); }
    };

    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
    static int onProgress(void* self, curl_off_t downloaded, curl_off_t, curl_off_t uploaded, curl_off_t);

    void configure(const HttpRequest& request, std::chrono::milliseconds deadline);
    HttpError errorFor(CURLcode code) const;

    std::chrono::milliseconds idleLimit_;
    std::size_t maximumBodySize_;
    bool bodyTooLarge_ = false;
    curl_off_t bytesMoved_ = 0;
    std::chrono::steady_clock::time_point lastActivity_;
    HttpResponse response_;
    std::unique_ptr<curl_slist, ListDeleter> headerList_;
    // The multi handle must outlive the easy handle it drives, so it is declared first.
    std::unique_ptr<CURLM, MultiDeleter> multi_;
    std::unique_ptr<CURL, EasyDeleter> easy_;
};

} // namespace tl
