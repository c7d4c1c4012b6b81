#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "net/cancel_token.h"

// One HTTP/1.1 exchange over libcurl, the common engine of web_request and
// object_request. Each thread keeps one connection cache and one handle, so
// requests from the same thread reuse their connections (keep-alive).
namespace quorvane {

// Bodies above this size are refused (the transfer fails): no answer or
// picture comes near it, and a hostile server cannot exhaust memory.
constexpr size_t max_body_bytes = size_t{64} << 20;

struct HttpTransfer {
    std::string host;  // lower-cased, without port
    int port = 80;     // 0: the default port
    std::string path;  // as given: bytes not legal in a request line are encoded on the wire
    std::string method = "GET";
    bool send_body = false;  // POST with a body; a POST without one sends none
    std::string body;
    std::vector<std::string> header_lines;  // "Name: value", sent as they are
    std::string user_agent;
    std::string proxy;  // host:port, empty for a direct connection
    std::string proxy_user;
    std::string proxy_password;
    std::string user_name;
    std::string password;
    bool use_cookie_store = false;  // the process-wide cookie store
    bool follow_redirects = true;
    bool reuse_connection = true;           // false: a fresh connection, closed afterwards
    std::chrono::milliseconds deadline{0};  // whole exchange; 0 = none
    std::chrono::milliseconds connect_timeout{0};
    std::chrono::milliseconds stall_timeout{0};  // no bytes for this long; 0 = none
    const CancelToken* cancel = nullptr;
};

struct HttpResult {
    bool complete = false;  // the whole response arrived
    int status = 0;
    std::string headers;  // the last response's header block, lines ending in CR LF
    std::string body;
};

HttpResult perform_transfer(const HttpTransfer& transfer);

// The path with every byte that may not stand in a request line encoded
// as %XX ("%" itself is kept, so encoded addresses stay as they are).
std::string request_line_path(std::string_view path);

}  // namespace quorvane
