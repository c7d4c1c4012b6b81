#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "net/cancel_token.h"

namespace quorvane {

constexpr std::string_view web_user_agent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

struct WebRequestOptions {
    std::string method;                       // "GET" or "POST" in any case; empty means GET
    std::string post_data;                    // the body of a POST
    std::string send_cookies;                 // "a=1; b=2"
    std::string* received_cookies = nullptr;  // the cookies the response sets
    std::string proxy;                        // host:port; blank: direct
    int timeout_seconds = 0;                  // 0: 90 seconds
    std::string extra_headers;                // lines each ending in CR LF
    std::string user_name;
    std::string password;
    std::string* response_headers = nullptr;  // the raw response header block
    bool use_system_cookie_store = false;

    std::chrono::milliseconds deadline{0};  // when set, replaces timeout_seconds
    const CancelToken* cancel = nullptr;    // aborts the transfer at once
    int* status = nullptr;                  // the HTTP status, 0 without an answer
};

// Fetches one plain-HTTP resource and returns its body; an error page's
// body is returned like any other. Every failure (no connection, the
// deadline, a transfer broken off midway, https, an unknown method, a body
// over max_body_bytes) gives an empty body and leaves the out fields as
// they were.
std::string web_request(std::string_view address, const WebRequestOptions& options = {});

}  // namespace quorvane
