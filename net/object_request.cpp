#include "net/object_request.h"

#include "net/cookies.h"
#include "net/http_transfer.h"
#include "net/url_parts.h"
#include "net/web_request.h"

namespace quorvane {

std::string object_request(std::string_view address, const ObjectRequestOptions& options) {
    if (address.substr(0, 7) != "http://") {
        return {};
    }
    HttpTransfer transfer;
    transfer.host = url_host(address);
    transfer.port = url_port(address);
    transfer.path = url_path(address);
    transfer.method = options.method.empty() ? "GET" : options.method;
    transfer.user_agent = std::string(web_user_agent);
    transfer.proxy = options.proxy;
    if (!options.proxy.empty() && !options.proxy_user.empty()) {
        transfer.proxy_user = options.proxy_user;
        transfer.proxy_password = options.proxy_password;
    }
    const std::chrono::milliseconds phase =
        options.timeout.count() > 0
            ? options.timeout
            : std::chrono::seconds(options.timeout_seconds > 0 ? options.timeout_seconds : 15);
    transfer.connect_timeout = phase;
    transfer.stall_timeout = phase;
    transfer.cancel = options.cancel;

    const std::string referrer = options.referrer.empty() ? std::string(address) : options.referrer;
    transfer.header_lines = {
        "Referrer: " + referrer,
        "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
        "application/x-shockwave-flash, application/vnd.ms-excel, "
        "application/vnd.ms-powerpoint, application/msword, */*",
        "Accept-Language: zh-cn",
        "Content-Type: application/x-www-form-urlencoded",
    };
    if (!options.send_cookies.empty()) {
        transfer.header_lines.push_back("Cookie: " + options.send_cookies);
    }
    if (transfer.method != "GET") {
        transfer.send_body = true;
        transfer.body = options.post_data;
    }

    HttpResult result = perform_transfer(transfer);
    if (!result.complete) {
        return {};
    }
    if (options.status != nullptr) {
        *options.status = result.status;
    }
    if (options.received_cookies != nullptr) {
        collect_cookies(result.headers, "Set-Cookie", *options.received_cookies);
    }
    return std::move(result.body);
}

}  // namespace quorvane
