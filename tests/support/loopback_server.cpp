#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace quorvane::testing {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

template <typename Visit>
void for_each_header(const std::string& head, Visit visit) {
    size_t pos = head.find("\r\n");
    while (pos != std::string::npos && pos + 2 < head.size()) {
        pos += 2;
        const size_t end = head.find("\r\n", pos);
        const std::string_view line(head.data() + pos,
                                    (end == std::string::npos ? head.size() : end) - pos);
        const size_t colon = line.find(':');
        if (colon != std::string_view::npos) {
            std::string_view value = line.substr(colon + 1);
            while (!value.empty() && value.front() == ' ') {
                value.remove_prefix(1);
            }
            visit(line.substr(0, colon), value);
        }
        pos = end;
    }
}

}  // namespace

std::string RawRequest::request_line() const { return head.substr(0, head.find("\r\n")); }

std::string RawRequest::header(std::string_view name) const {
    std::string found;
    bool seen = false;
    for_each_header(head, [&](std::string_view n, std::string_view v) {
        if (!seen && same_name(n, name)) {
            found = std::string(v);
            seen = true;
        }
    });
    return found;
}

bool RawRequest::has_header(std::string_view name) const {
    bool seen = false;
    for_each_header(
        head, [&](std::string_view n, std::string_view) { seen = seen || same_name(n, name); });
    return seen;
}

std::vector<std::string> RawRequest::header_names() const {
    std::vector<std::string> names;
    for_each_header(head, [&](std::string_view n, std::string_view) { names.emplace_back(n); });
    return names;
}

Reply Reply::ok(std::string body, std::string extra_headers) {
    return Reply{"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
                 extra_headers + "\r\n" + body};
}

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler)) {
    if (pipe(wake_pipe_) != 0) {
        throw std::runtime_error("pipe");
    }
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listener_, 64) != 0) {
        throw std::runtime_error("bind");
    }
    socklen_t length = sizeof addr;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &length);
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] { accept_loop(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_.store(true);
    const char byte = 1;
    (void)!write(wake_pipe_[1], &byte, 1);
    acceptor_.join();
    {
        std::lock_guard lock(mutex_);
        for (int client : clients_) {
            if (client >= 0) {
                shutdown(client, SHUT_RDWR);
            }
        }
    }
    for (std::thread& worker : workers_) {
        worker.join();
    }
    for (int client : clients_) {
        if (client >= 0) {
            close(client);
        }
    }
    close(listener_);
    close(wake_pipe_[0]);
    close(wake_pipe_[1]);
}

std::string LoopbackServer::address(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<RawRequest> LoopbackServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void LoopbackServer::accept_loop() {
    while (!stopping_.load()) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_pipe_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) <= 0 || (fds[1].revents & POLLIN) != 0) {
            continue;
        }
        const int client = accept(listener_, nullptr, nullptr);
        if (client < 0) {
            continue;
        }
        ++connections_;
        std::lock_guard lock(mutex_);
        clients_.push_back(client);
        workers_.emplace_back([this, client] { serve(client); });
    }
}

void LoopbackServer::serve(int client) {
    std::string buffer;
    char chunk[4096];
    auto read_more = [&] {
        const ssize_t n = recv(client, chunk, sizeof chunk, 0);
        if (n <= 0) {
            return false;
        }
        buffer.append(chunk, static_cast<size_t>(n));
        return true;
    };
    while (!stopping_.load()) {
        size_t head_end;
        while ((head_end = buffer.find("\r\n\r\n")) == std::string::npos) {
            if (!read_more()) {
                return;
            }
        }
        RawRequest request;
        request.head = buffer.substr(0, head_end);
        const std::string length = request.header("Content-Length");
        const size_t body_length = length.empty() ? 0 : std::stoul(length);
        while (buffer.size() < head_end + 4 + body_length) {
            if (!read_more()) {
                return;
            }
        }
        request.body = buffer.substr(head_end + 4, body_length);
        buffer.erase(0, head_end + 4 + body_length);
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        const Reply reply = handler_(request);
        size_t sent = 0;
        while (sent < reply.bytes.size()) {
            const ssize_t n =
                send(client, reply.bytes.data() + sent, reply.bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                break;
            }
            sent += static_cast<size_t>(n);
        }
        if (reply.then == Reply::Then::hang) {
            // Answer nothing more until the server stops.
            pollfd fd{wake_pipe_[0], POLLIN, 0};
            poll(&fd, 1, -1);
            return;
        }
        if (reply.then == Reply::Then::reset) {
            linger hard{1, 0};  // closing now sends RST
            setsockopt(client, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            std::lock_guard lock(mutex_);
            for (int& known : clients_) {
                if (known == client) {
                    known = -1;
                }
            }
            close(client);
            return;
        }
        if (reply.then == Reply::Then::close) {
            shutdown(client, SHUT_RDWR);
            return;
        }
    }
}

}  // namespace quorvane::testing
