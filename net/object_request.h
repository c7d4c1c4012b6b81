#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "net/cancel_token.h"

namespace quorvane {

struct ObjectRequestOptions {
    std::string method;  // empty means "GET"
    std::string post_data;
    std::string send_cookies;
    std::string* received_cookies = nullptr;  // the response's cookies are appended
    std::string proxy;
    int timeout_seconds = 0;  // resolve, connect, send and receive; 0: 15 seconds
    std::string proxy_user;
    std::string proxy_password;
    std::string referrer;  // empty: the address itself

    std::chrono::milliseconds timeout{0};  // when set, replaces timeout_seconds
    const CancelToken* cancel = nullptr;
    int* status = nullptr;
};

// The request-object way of fetching a body, as the description pictures
// are first fetched: its own header set (the referrer header is spelled
// "Referrer"), redirects followed, each phase bounded by the time-out. Any
// failure gives an empty body.
std::string object_request(std::string_view address, const ObjectRequestOptions& options = {});

}  // namespace quorvane
