#include "net/web_request.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <ostream>
#include <set>
#include <thread>

#include "support/loopback_server.h"

namespace quorvane {
namespace {

using testing::LoopbackServer;
using testing::RawRequest;
using testing::Reply;
using namespace std::chrono_literals;

const std::string accept_value =
    "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";

std::set<std::string> names_of(const RawRequest& request) {
    const auto names = request.header_names();
    return std::set<std::string>(names.begin(), names.end());
}

TEST(WebRequest, GetSendsExactlyTheHeaderBlock) {
    LoopbackServer server([](const RawRequest&) { return Reply::ok("hello"); });
    const std::string address = server.address("/search.htm?search=y&pageNum=2");
    int status = 0;
    WebRequestOptions options;
    options.status = &status;
    EXPECT_EQ(web_request(address, options), "hello");
    EXPECT_EQ(status, 200);
    ASSERT_EQ(server.requests().size(), 1u);
    const RawRequest request = server.requests()[0];
    EXPECT_EQ(request.request_line(), "GET /search.htm?search=y&pageNum=2 HTTP/1.1");
    EXPECT_EQ(names_of(request), (std::set<std::string>{"Host", "User-Agent", "Accept", "Referer",
                                                        "Accept-Language"}));
    EXPECT_EQ(request.header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    EXPECT_EQ(request.header("Accept"), accept_value);
    EXPECT_EQ(request.header("Referer"), address);
    EXPECT_EQ(request.header("Accept-Language"), "zh-cn");
}

TEST(WebRequest, PostWithAndWithoutData) {
    LoopbackServer server([](const RawRequest&) { return Reply::ok("<ok/>"); });
    WebRequestOptions post;
    post.method = "POST";
    post.post_data = "_id=123&m=abc";
    EXPECT_EQ(web_request(server.address("/item_get"), post), "<ok/>");
    WebRequestOptions empty_post;
    empty_post.method = "post";
    EXPECT_EQ(web_request(server.address("/item_get"), empty_post), "<ok/>");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].request_line(), "POST /item_get HTTP/1.1");
    EXPECT_EQ(requests[0].header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[0].header("Content-Length"), "13");
    EXPECT_EQ(requests[0].body, "_id=123&m=abc");
    EXPECT_FALSE(requests[0].has_header("Expect"));
    EXPECT_EQ(requests[1].request_line(), "post /item_get HTTP/1.1");
    EXPECT_FALSE(requests[1].has_header("Content-Type"));
    EXPECT_FALSE(requests[1].has_header("Content-Length"));
}

TEST(WebRequest, LargePostHasNoExpectContinue) {
    LoopbackServer server([](const RawRequest&) { return Reply::ok("ok"); });
    WebRequestOptions post;
    post.method = "POST";
    post.post_data = std::string(3 << 20, 'x');
    EXPECT_EQ(web_request(server.address("/"), post), "ok");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_FALSE(server.requests()[0].has_header("Expect"));
    EXPECT_EQ(server.requests()[0].body.size(), post.post_data.size());
}

TEST(WebRequest, CallerHeadersReplaceDefaultsInAnyCase) {
    LoopbackServer server([](const RawRequest&) { return Reply::ok("x"); });
    WebRequestOptions options;
    options.extra_headers = "referer: http://elsewhere/\r\nX-Test: 1\r\n";
    options.send_cookies = "a=1; b=2";
    options.method = "POST";
    options.post_data = "k=v";
    options.extra_headers += "content-type: text/plain\r\n";
    web_request(server.address("/"), options);
    const RawRequest request = server.requests().at(0);
    EXPECT_EQ(request.header("Referer"), "http://elsewhere/");
    EXPECT_EQ(request.head.find("Referer: http://127"), std::string::npos);
    EXPECT_EQ(request.header("X-Test"), "1");
    EXPECT_EQ(request.header("Cookie"), "a=1; b=2");
    EXPECT_EQ(request.header("Content-Type"), "text/plain");
}

struct CookieCase {
    const char* name;
    std::string set_cookie_lines;
    std::string expected;
};

void PrintTo(const CookieCase& c, std::ostream* os) { *os << c.name; }

class WebRequestCookies : public ::testing::TestWithParam<CookieCase> {};

TEST_P(WebRequestCookies, CollectedFromTheResponse) {
    const std::string lines = GetParam().set_cookie_lines;
    LoopbackServer server([lines](const RawRequest&) { return Reply::ok("x", lines); });
    std::string received = "untouched";
    WebRequestOptions options;
    options.received_cookies = &received;
    options.send_cookies = "sent=1";  // keeps the shared cookie store out of it
    EXPECT_EQ(web_request(server.address("/"), options), "x");
    EXPECT_EQ(received, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WebRequestCookies,
    ::testing::Values(CookieCase{"value_with_path", "Set-Cookie: a=1; path=/\r\n", "a=1"},
                      CookieCase{"empty_value", "Set-Cookie: a=; path=/\r\n", ""},
                      CookieCase{"no_semicolon", "Set-Cookie: a=1\r\n", ""},
                      CookieCase{"two_cookies",
                                 "Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2; domain=x\r\n",
                                 "a=1; b=2"},
                      CookieCase{"none", "", ""}),
    [](const auto& info) { return info.param.name; });

TEST(WebRequest, CookieStoreCarriesCookiesUnlessTheCallerSendsItsOwn) {
    LoopbackServer server([](const RawRequest& request) {
        if (request.request_line().find("/login") != std::string::npos) {
            return Reply::ok("x", "Set-Cookie: session=abc; path=/\r\n");
        }
        return Reply::ok("x");
    });
    web_request(server.address("/login"));
    web_request(server.address("/next"));
    WebRequestOptions own;
    own.send_cookies = "mine=1";
    web_request(server.address("/own"), own);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].header("Cookie"), "session=abc");
    EXPECT_EQ(requests[2].header("Cookie"), "mine=1");
}

TEST(WebRequest, ErrorPageBodyIsReturned) {
    LoopbackServer server([](const RawRequest&) {
        return Reply{"HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"};
    });
    int status = 0;
    WebRequestOptions options;
    options.status = &status;
    EXPECT_EQ(web_request(server.address("/missing.jpg"), options), "not found");
    EXPECT_EQ(status, 404);
}

struct BrokenCase {
    const char* name;
    Reply reply;
};

void PrintTo(const BrokenCase& c, std::ostream* os) { *os << c.name; }

class WebRequestBroken : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(WebRequestBroken, IsAFailureNotAShortBody) {
    const Reply reply = GetParam().reply;
    LoopbackServer server([reply](const RawRequest&) { return reply; });
    int status = -1;
    WebRequestOptions options;
    options.status = &status;
    options.deadline = 300ms;
    EXPECT_EQ(web_request(server.address("/"), options), "");
    EXPECT_EQ(status, -1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WebRequestBroken,
    ::testing::Values(
        BrokenCase{
            "fewer_bytes_than_length",
            Reply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten..", Reply::Then::close}},
        BrokenCase{"truncated_chunked",
                   Reply{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nabc",
                         Reply::Then::close}},
        BrokenCase{"reset_midway", Reply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npartial",
                                         Reply::Then::reset}},
        BrokenCase{"closed_without_answer", Reply{"", Reply::Then::close}},
        BrokenCase{"never_answers", Reply{"", Reply::Then::hang}},
        BrokenCase{"headers_then_silence",
                   Reply{"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nab", Reply::Then::hang}}),
    [](const auto& info) { return info.param.name; });

TEST(WebRequest, ConnectionRefused) {
    int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    socklen_t length = sizeof addr;
    getsockname(probe, reinterpret_cast<sockaddr*>(&addr), &length);
    close(probe);  // nothing listens there now
    EXPECT_EQ(web_request("http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/"), "");
}

TEST(WebRequest, OnlyPlainHttp) {
    LoopbackServer server([](const RawRequest&) { return Reply::ok("x"); });
    const std::string port = std::to_string(server.port());
    EXPECT_EQ(web_request("https://127.0.0.1:" + port + "/"), "");
    EXPECT_EQ(web_request("HTTP://127.0.0.1:" + port + "/"), "");
    WebRequestOptions put;
    put.method = "PUT";
    EXPECT_EQ(web_request(server.address("/"), put), "");
    EXPECT_TRUE(server.requests().empty());
}

TEST(WebRequest, AddressWithoutPathAndIllegalBytesOnTheWire) {
    LoopbackServer server([](const RawRequest&) { return Reply::ok("x"); });
    web_request("http://127.0.0.1:" + std::to_string(server.port()));
    web_request(server.address("/a b/\xB1\xA6.htm?q=1 2&t=\"x\""));
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].request_line(), "GET / HTTP/1.1");
    EXPECT_EQ(requests[1].request_line(), "GET /a%20b/%B1%A6.htm?q=1%202&t=%22x%22 HTTP/1.1");
    // The Referer carries the address as given.
    EXPECT_EQ(requests[1].header("Referer"), server.address("/a b/\xB1\xA6.htm?q=1 2&t=\"x\""));
}

TEST(WebRequest, ThroughANamedProxy) {
    LoopbackServer proxy([](const RawRequest&) { return Reply::ok("via proxy"); });
    WebRequestOptions options;
    options.proxy = "127.0.0.1:" + std::to_string(proxy.port());
    EXPECT_EQ(web_request("http://item.example.invalid/item.htm?id=7", options), "via proxy");
    ASSERT_EQ(proxy.requests().size(), 1u);
    const RawRequest request = proxy.requests()[0];
    EXPECT_EQ(request.request_line(), "GET http://item.example.invalid/item.htm?id=7 HTTP/1.1");
    EXPECT_EQ(request.header("Host"), "item.example.invalid");
    EXPECT_FALSE(request.has_header("Proxy-Connection"));
}

TEST(WebRequest, ConnectionsAreReusedOnAThread) {
    LoopbackServer server([](const RawRequest&) { return Reply::ok("x"); });
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(web_request(server.address("/" + std::to_string(i))), "x");
    }
    EXPECT_EQ(server.requests().size(), 5u);
    EXPECT_EQ(server.connections(), 1);
}

TEST(WebRequest, RedirectIsFollowed) {
    LoopbackServer server([](const RawRequest& request) {
        if (request.request_line().find("/old") != std::string::npos) {
            return Reply{"HTTP/1.1 302 Found\r\nLocation: /new\r\nContent-Length: 0\r\n\r\n"};
        }
        return Reply::ok("moved here");
    });
    EXPECT_EQ(web_request(server.address("/old")), "moved here");
}

TEST(WebRequest, BodyOverTheCapFails) {
    LoopbackServer server([](const RawRequest&) {
        return Reply{"HTTP/1.1 200 OK\r\nContent-Length: 67108865\r\n\r\n" +
                     std::string(67108865, 'x')};
    });
    EXPECT_EQ(web_request(server.address("/")), "");
}

TEST(WebRequestConcurrency, StopAbortsATransferAtOnce) {
    LoopbackServer server([](const RawRequest&) { return Reply{"", Reply::Then::hang}; });
    CancelToken stop;
    std::string body = "unset";
    std::thread worker([&] {
        WebRequestOptions options;
        options.cancel = &stop;
        body = web_request(server.address("/"), options);  // the default 90 s deadline
    });
    while (server.requests().empty()) {
        std::this_thread::sleep_for(1ms);
    }
    stop.cancel();
    worker.join();
    EXPECT_EQ(body, "");
    // A cancelled token fails later requests at once too.
    WebRequestOptions options;
    options.cancel = &stop;
    EXPECT_EQ(web_request(server.address("/"), options), "");
}

TEST(WebRequestConcurrency, FiveThreadsKeepTheirOwnConnections) {
    LoopbackServer server([](const RawRequest& request) {
        return Reply::ok(request.request_line().substr(4, request.request_line().find(' ', 4) - 4));
    });
    std::vector<std::thread> threads;
    std::vector<int> wrong(5, 0);
    for (int t = 0; t < 5; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i) {
                const std::string path = "/" + std::to_string(t) + "/" + std::to_string(i);
                if (web_request(server.address(path)) != path) {
                    ++wrong[static_cast<size_t>(t)];
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong, std::vector<int>(5, 0));
    EXPECT_LE(server.connections(), 5);
}

}  // namespace
}  // namespace quorvane
