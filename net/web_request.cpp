#include "net/web_request.h"

#include <vector>

#include "net/cookies.h"
#include "net/http_transfer.h"
#include "net/url_parts.h"
#include "text/gbk_search.h"

namespace quorvane {
namespace {

constexpr std::string_view accept_line =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*\r\n";

bool has_header(std::string_view block, std::string_view name) {
    return find_text(block, name, 0, Case::ignore_ascii) != not_found;
}

std::vector<std::string> header_lines(std::string_view block) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < block.size()) {
        size_t end = find_text(block, "\r\n", pos);
        if (end == not_found) {
            end = block.size();
        }
        if (end > pos) {
            lines.emplace_back(block.substr(pos, end - pos));
        }
        pos = end + 2;
    }
    return lines;
}

}  // namespace

std::string web_request(std::string_view address, const WebRequestOptions& options) {
    // Only plain HTTP is supported; anything else fails before any lookup.
    if (address.substr(0, 7) != "http://") {
        return {};
    }
    const bool is_get = options.method.empty() || equals_ignore_case(options.method, "GET");
    const bool is_post = equals_ignore_case(options.method, "POST");
    if (!is_get && !is_post) {
        return {};
    }

    HttpTransfer transfer;
    transfer.host = url_host(address);
    transfer.port = url_port(address);
    transfer.path = url_path(address);
    transfer.method = is_get ? (options.method.empty() ? "GET" : options.method) : options.method;
    transfer.user_agent = std::string(web_user_agent);
    transfer.proxy = std::string(trim(options.proxy));
    transfer.user_name = options.user_name;
    transfer.password = options.password;
    transfer.cancel = options.cancel;
    transfer.deadline =
        options.deadline.count() > 0
            ? options.deadline
            : std::chrono::seconds(options.timeout_seconds > 0 ? options.timeout_seconds : 90);

    std::string block = options.extra_headers;
    if (!has_header(block, "Accept: ")) {
        block += accept_line;
    }
    if (!has_header(block, "Referer: ")) {
        block += "Referer: " + std::string(address) + "\r\n";
    }
    if (!has_header(block, "Accept-Language: ")) {
        block += "Accept-Language: zh-cn\r\n";
    }
    const bool send_cookies = !trim(options.send_cookies).empty();
    if (send_cookies) {
        block += "Cookie: " + options.send_cookies + "\r\n";
    }
    // The platform's cookie store is used unless the caller sends its own
    // cookies without asking for the store.
    transfer.use_cookie_store = !send_cookies || options.use_system_cookie_store;
    if (is_post && !options.post_data.empty()) {
        if (!has_header(block, "Content-Type: ")) {
            block += "Content-Type: application/x-www-form-urlencoded\r\n";
        }
        block += "Content-Length: " + std::to_string(options.post_data.size()) + "\r\n";
        transfer.send_body = true;
        transfer.body = options.post_data;
    }
    transfer.header_lines = header_lines(block);

    HttpResult result = perform_transfer(transfer);
    if (!result.complete) {
        return {};
    }
    if (options.status != nullptr) {
        *options.status = result.status;
    }
    if (options.received_cookies != nullptr) {
        std::string collected;
        collect_cookies(result.headers, "Set-Cookie:", collected);
        *options.received_cookies = collected;
    }
    if (options.response_headers != nullptr) {
        *options.response_headers = result.headers;
    }
    return std::move(result.body);
}

}  // namespace quorvane
