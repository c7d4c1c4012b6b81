#include "net/url_parts.h"

#include "text/gbk_search.h"

namespace quorvane {
namespace {

std::string_view host_with_port(std::string_view address) {
    const size_t scheme = find_text(address, "http://");
    const size_t start = scheme == not_found ? 0 : scheme + 7;
    const size_t slash = find_text(address, "/", start);
    return address.substr(start, slash == not_found ? std::string_view::npos : slash - start);
}

}  // namespace

std::string url_host(std::string_view address, bool keep_port) {
    std::string_view host = host_with_port(address);
    if (!keep_port) {
        host = host.substr(0, find_text(host, ":"));
    }
    return ascii_lower(host);
}

std::string url_path(std::string_view address) {
    const std::string host = url_host(address);
    const size_t at = find_text(address, host, 0, Case::ignore_ascii);
    if (at == not_found) {
        return "/";
    }
    const size_t slash = find_text(address, "/", at + host.size());
    return slash == not_found ? "/" : std::string(address.substr(slash));
}

int url_port(std::string_view address) {
    const std::string_view host = host_with_port(address);
    const size_t colon = find_text(host, ":");
    if (colon == not_found) {
        return 80;
    }
    const std::string_view digits = host.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) {
        return 0;
    }
    int port = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return 0;
        }
        port = port * 10 + (c - '0');
    }
    return port <= 65535 ? port : 0;
}

}  // namespace quorvane
