#pragma once

#include "support/LoopbackServer.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace tl::testing {

// Public image API endpoints on 127.0.0.1: every request is recorded and answered with the reply
// set for its path (404 when none is set).
class FakeProviderServer {
public:
    struct Reply {
        int status = 200;
        std::string body;
        std::string contentType = "application/json";
    };
    struct Received {
        std::string method;
        std::string path;
        std::multimap<std::string, std::string> query;
        std::map<std::string, std::string> headers;
        std::string body;
        std::multimap<std::string, httplib::MultipartFormData> files;
    };

    FakeProviderServer();

    std::string url(const std::string& path) const { return loopback_.url(path); }
    void reply(const std::string& path, Reply reply);
    std::vector<Received> received() const;

private:
    void answer(const httplib::Request& request, httplib::Response& response);

    mutable std::mutex mutex_;
    std::map<std::string, Reply> replies_;
    std::vector<Received> received_;
    // Declared last so it is stopped first, while a request still being answered can use the rest.
    LoopbackServer loopback_;
};

} // namespace tl::testing
