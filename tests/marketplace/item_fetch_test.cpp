#include "marketplace/item_fetch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>

#include "support/fixed_clock.h"
#include "support/loopback_server.h"
#include "text/md5.h"

namespace quorvane {
namespace {

using testing::FixedClock;
using testing::LoopbackServer;
using testing::RawRequest;
using testing::Reply;

struct RouteCase {
    const char* name;
    const char* key;
    ItemRoute route;
};

void PrintTo(const RouteCase& c, std::ostream* os) { *os << c.name; }

class ItemRouting : public ::testing::TestWithParam<RouteCase> {};

TEST_P(ItemRouting, ByTheKeysLastTwoCharacters) {
    EXPECT_EQ(item_route(GetParam().key), GetParam().route);
}

INSTANTIATE_TEST_SUITE_P(Cases, ItemRouting,
                         ::testing::Values(RouteCase{"ends_99", "21000099", ItemRoute::proxy_1},
                                           RouteCase{"ends_88", "abc88", ItemRoute::proxy_2},
                                           RouteCase{"ends_8899", "x8899", ItemRoute::proxy_1},
                                           RouteCase{"ends_9988", "x9988", ItemRoute::proxy_2},
                                           RouteCase{"ends_89", "12345689", ItemRoute::gateway},
                                           RouteCase{"ends_98", "12345698", ItemRoute::gateway},
                                           RouteCase{"just_99", "99", ItemRoute::proxy_1},
                                           RouteCase{"single_9", "9", ItemRoute::gateway},
                                           RouteCase{"empty", "", ItemRoute::gateway}),
                         [](const auto& info) { return info.param.name; });

class ItemFetch : public ::testing::Test {
protected:
    ItemFetch()
        : gateway_([](const RawRequest&) { return Reply::ok("<gateway/>"); }),
          proxy_1_([](const RawRequest&) { return Reply::ok("<proxy1/>"); }),
          proxy_2_([](const RawRequest&) { return Reply::ok("<proxy2/>"); }) {
        endpoints_.gateway_host = "127.0.0.1:" + std::to_string(gateway_.port());
        endpoints_.proxy_host_1 = "127.0.0.1:" + std::to_string(proxy_1_.port());
        endpoints_.proxy_host_2 = "127.0.0.1:" + std::to_string(proxy_2_.port());
    }
    FixedClock clock_{LocalTime{2024, 3, 5, 10, 20, 30, 0}};
    LoopbackServer gateway_;
    LoopbackServer proxy_1_;
    LoopbackServer proxy_2_;
    MarketplaceEndpoints endpoints_;
};

TEST_F(ItemFetch, ProxyRoutesPostTheDigestAndNeverTheKey) {
    FetchOptions options;
    options.clock = &clock_;
    EXPECT_EQ(fetch_item_answer("4100123456", {"mykey99", "shared"}, endpoints_, options),
              "<proxy1/>");
    EXPECT_EQ(fetch_item_answer("4100123456", {"mykey88", "shared"}, endpoints_, options),
              "<proxy2/>");
    ASSERT_EQ(proxy_1_.requests().size(), 1u);
    ASSERT_EQ(proxy_2_.requests().size(), 1u);
    EXPECT_TRUE(gateway_.requests().empty());
    const RawRequest first = proxy_1_.requests()[0];
    EXPECT_EQ(first.request_line(), "POST /item_get HTTP/1.1");
    EXPECT_EQ(first.body, "_id=4100123456&m=" + md5_text("4100123456shared"));
    EXPECT_EQ(first.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(first.head.find("mykey"), std::string::npos);
    EXPECT_EQ(first.body.find("mykey"), std::string::npos);
    EXPECT_EQ(proxy_2_.requests()[0].request_line(),
              "POST /office/outUserDelegate/outService4getItem.run HTTP/1.1");
    EXPECT_EQ(proxy_2_.requests()[0].body, first.body);
}

TEST_F(ItemFetch, GatewayRouteGetsTheSignedAddress) {
    FetchOptions options;
    options.clock = &clock_;
    const ApiCredential credential{"12345689", "secret"};
    EXPECT_EQ(fetch_item_answer("42", credential, endpoints_, options), "<gateway/>");
    ASSERT_EQ(gateway_.requests().size(), 1u);
    const std::string expected = item_request_url("42", credential, endpoints_, clock_.now());
    const std::string path = expected.substr(expected.find("/router/rest"));
    std::string on_wire;
    for (char c : path) {
        on_wire += c == ' ' ? std::string("%20") : std::string(1, c);
    }
    EXPECT_EQ(gateway_.requests()[0].request_line(), "GET " + on_wire + " HTTP/1.1");
}

TEST_F(ItemFetch, EmptyHostOrFailedTransferGivesEmpty) {
    FetchOptions options;
    options.clock = &clock_;
    MarketplaceEndpoints no_proxy = endpoints_;
    no_proxy.proxy_host_1.clear();
    EXPECT_EQ(fetch_item_answer("1", {"k99", "s"}, no_proxy, options), "");
    EXPECT_EQ(fetch_item_answer("1", {"k", ""}, endpoints_, options), "");
    EXPECT_TRUE(proxy_1_.requests().empty());
    EXPECT_TRUE(gateway_.requests().empty());
}

TEST(ProxyRequestBody, SameOnEveryCallAndLowerCase) {
    const std::string body = proxy_request_body("123", "abc");
    EXPECT_EQ(body, proxy_request_body("123", "abc"));
    EXPECT_EQ(body, "_id=123&m=" + md5_text("123abc"));
    for (char c : body.substr(10)) {
        EXPECT_FALSE(c >= 'A' && c <= 'F');
    }
}

TEST(MarketplaceEndpointsFile, SectionOverridesDefaults) {
    const auto file = std::filesystem::temp_directory_path() / "quorvane-endpoints-test.ini";
    std::ofstream(file, std::ios::binary)
        << "[ENDPOINTS]\r\ngateway_host=127.0.0.1:9000\r\nproxy_host_2=127.0.0.1:9002\r\n";
    const MarketplaceEndpoints loaded = load_endpoints(file);
    EXPECT_EQ(loaded.gateway_host, "127.0.0.1:9000");
    EXPECT_EQ(loaded.proxy_host_2, "127.0.0.1:9002");
    EXPECT_EQ(loaded.proxy_host_1, "");
    EXPECT_EQ(loaded.item_page_host, "item.taobao.com");
    EXPECT_EQ(loaded.mall_item_page_host, "detail.tmall.com");
    std::filesystem::remove(file);
    EXPECT_EQ(load_endpoints(file).gateway_host, "gw.api.taobao.com");
}

}  // namespace
}  // namespace quorvane
