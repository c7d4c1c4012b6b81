#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quorvane::testing {

// What the server received, byte for byte.
struct RawRequest {
    std::string head;  // request line and headers, up to the blank line
    std::string body;

    std::string request_line() const;
    // The value of the first header of that name (any case), or "".
    std::string header(std::string_view name) const;
    bool has_header(std::string_view name) const;
    // Header names in the order received.
    std::vector<std::string> header_names() const;
};

// What the server does with one request.
struct Reply {
    enum class Then { keep_open, close, hang, reset };
    std::string bytes;  // sent as they are (status line, headers, body)
    Then then = Then::keep_open;

    static Reply ok(std::string body, std::string extra_headers = {});
};

// A scripted HTTP server on 127.0.0.1 and a free port. Requests on one
// connection are answered in turn (keep-alive). Stops and joins on
// destruction, so nothing outlives the test.
class LoopbackServer {
public:
    using Handler = std::function<Reply(const RawRequest&)>;
    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return port_; }
    std::string address(std::string_view path = "/") const;
    int connections() const { return connections_.load(); }
    std::vector<RawRequest> requests() const;

private:
    void accept_loop();
    void serve(int client);

    Handler handler_;
    int listener_ = -1;
    int wake_pipe_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<int> connections_{0};
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<RawRequest> requests_;
    std::vector<int> clients_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

}  // namespace quorvane::testing
