#include "net/url_parts.h"

#include <gtest/gtest.h>

#include <ostream>

namespace quorvane {
namespace {

struct UrlCase {
    const char* name;
    const char* address;
    const char* host;
    const char* host_with_port;
    const char* path;
    int port;
};

void PrintTo(const UrlCase& c, std::ostream* os) { *os << c.name; }

class UrlParts : public ::testing::TestWithParam<UrlCase> {};

TEST_P(UrlParts, Split) {
    const auto& c = GetParam();
    EXPECT_EQ(url_host(c.address), c.host);
    EXPECT_EQ(url_host(c.address, true), c.host_with_port);
    EXPECT_EQ(url_path(c.address), c.path);
    EXPECT_EQ(url_port(c.address), c.port);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UrlParts,
    ::testing::Values(
        UrlCase{"plain", "http://shop.example.com/search.htm?a=1", "shop.example.com",
                "shop.example.com", "/search.htm?a=1", 80},
        UrlCase{"no_path", "http://shop.example.com", "shop.example.com", "shop.example.com", "/",
                80},
        UrlCase{"port", "http://127.0.0.1:8080/x/Y.htm", "127.0.0.1", "127.0.0.1:8080", "/x/Y.htm",
                8080},
        UrlCase{"upper_host_lowered_path_kept", "http://Shop.Example.COM/Item.HTM?ID=1",
                "shop.example.com", "shop.example.com", "/Item.HTM?ID=1", 80},
        UrlCase{"port_not_a_number", "http://host:abc/x", "host", "host:abc", "/x", 0},
        UrlCase{"upper_case_scheme", "HTTP://host/x", "http", "http:", "//host/x", 0},
        UrlCase{"https", "https://host/x", "https", "https:", "//host/x", 0},
        UrlCase{"no_scheme", "host:81/p", "host", "host:81", "/p", 81}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quorvane
