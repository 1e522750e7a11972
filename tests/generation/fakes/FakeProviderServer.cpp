#include "generation/fakes/FakeProviderServer.h"

namespace tl::testing {

FakeProviderServer::FakeProviderServer()
{
    const auto handler = [this](const httplib::Request& in, httplib::Response& out) { answer(in, out); };
    loopback_.server().Get(".*", handler);
    loopback_.server().Post(".*", handler);
}

void FakeProviderServer::reply(const std::string& path, Reply reply)
{
    const std::lock_guard lock(mutex_);
    replies_[path] = std::move(reply);
}

std::vector<FakeProviderServer::Received> FakeProviderServer::received() const
{
    const std::lock_guard lock(mutex_);
    return received_;
}

void FakeProviderServer::answer(const httplib::Request& request, httplib::Response& response)
{
    Received received { request.method, request.path, {}, {}, request.body, {} };
    for (const auto& [name, value] : request.params)
        received.query.emplace(name, value);
    for (const auto& [name, value] : request.headers)
        received.headers[name] = value;
    for (const auto& [name, file] : request.files)
        received.files.emplace(name, file);

    const std::lock_guard lock(mutex_);
    received_.push_back(std::move(received));
    const auto found = replies_.find(request.path);
    if (found == replies_.end()) {
        response.status = 404;
        return;
    }
    response.status = found->second.status;
    response.set_content(found->second.body, found->second.contentType);
}

} // namespace tl::testing
