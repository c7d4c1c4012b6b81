#include "net/object_request.h"

#include <gtest/gtest.h>

#include <chrono>

#include "support/loopback_server.h"

namespace quorvane {
namespace {

using testing::LoopbackServer;
using testing::RawRequest;
using testing::Reply;
using namespace std::chrono_literals;

TEST(ObjectRequest, AddressAloneSendsItsHeaderSet) {
    LoopbackServer server([](const RawRequest&) { return Reply::ok("\xFF\xD8\xFF"); });
    const std::string address = server.address("/imgextra/i1/a.jpg");
    EXPECT_EQ(object_request(address), "\xFF\xD8\xFF");
    const RawRequest request = server.requests().at(0);
    EXPECT_EQ(request.request_line(), "GET /imgextra/i1/a.jpg HTTP/1.1");
    EXPECT_EQ(request.header("Referrer"), address);
    EXPECT_FALSE(request.has_header("Referer"));
    EXPECT_EQ(request.header("Accept-Language"), "zh-cn");
    EXPECT_EQ(request.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_NE(request.header("Accept").find("image/gif"), std::string::npos);
    EXPECT_FALSE(request.has_header("Cookie"));
}

TEST(ObjectRequest, CookiesMergeBehindTheOnesHeld) {
    LoopbackServer server([](const RawRequest&) {
        return Reply::ok("x",
                         "Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2; path=/\r\n"
                         "Set-Cookie: c=9\r\n");
    });
    std::string cookies = "c=3";
    ObjectRequestOptions options;
    options.received_cookies = &cookies;
    options.send_cookies = "s=1";
    options.referrer = "http://shop.example/";
    EXPECT_EQ(object_request(server.address("/"), options), "x");
    EXPECT_EQ(cookies, "c=3; a=1; b=2");
    const RawRequest request = server.requests().at(0);
    EXPECT_EQ(request.header("Cookie"), "s=1");
    EXPECT_EQ(request.header("Referrer"), "http://shop.example/");
}

TEST(ObjectRequest, SilentServerFailsAtTheTimeOut) {
    LoopbackServer server([](const RawRequest&) { return Reply{"", Reply::Then::hang}; });
    ObjectRequestOptions options;
    options.timeout = 200ms;
    EXPECT_EQ(object_request(server.address("/"), options), "");
}

TEST(ObjectRequest, RedirectFollowedAndErrorBodyReturned) {
    LoopbackServer server([](const RawRequest& request) {
        if (request.request_line().find("/moved") != std::string::npos) {
            return Reply{"HTTP/1.1 301 Moved\r\nLocation: /gone\r\nContent-Length: 0\r\n\r\n"};
        }
        return Reply{"HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\nnope"};
    });
    int status = 0;
    ObjectRequestOptions options;
    options.status = &status;
    EXPECT_EQ(object_request(server.address("/moved"), options), "nope");
    EXPECT_EQ(status, 404);
}

}  // namespace
}  // namespace quorvane
