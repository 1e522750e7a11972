#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace tl::testing {

// An httplib server on 127.0.0.1 and a free port, listening on its own thread until destroyed.
// Register handlers on server() before the first request.
class LoopbackServer {
public:
    // Port 0 takes any free port.
    explicit LoopbackServer(int port = 0)
    {
        port_
            = port == 0 ? server_.bind_to_any_port("127.0.0.1") : (server_.bind_to_port("127.0.0.1", port) ? port : -1);
        if (port_ < 0) throw std::runtime_error("port " + std::to_string(port) + " is taken");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~LoopbackServer()
    {
        openGate();
        server_.stop();
        thread_.join();
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    httplib::Server& server() { return server_; }
    int port() const { return port_; }
    std::string url(const std::string& path = "") const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

    // Handlers that must hang call waitAtGate(); the gate opens at teardown (or by hand).
    void waitAtGate()
    {
        std::unique_lock lock(gateMutex_);
        gate_.wait(lock, [this] { return gateOpen_; });
    }
    void openGate()
    {
        {
            const std::lock_guard lock(gateMutex_);
            gateOpen_ = true;
        }
        gate_.notify_all();
    }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::mutex gateMutex_;
    std::condition_variable gate_;
    bool gateOpen_ = false;
};

} // namespace tl::testing
