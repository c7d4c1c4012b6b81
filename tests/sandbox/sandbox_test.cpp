#include "sandbox/sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "marketplace/item_fetch.h"
#include "net/web_request.h"
#include "pattern/pattern_search.h"
#include "sandbox/json_text.h"
#include "sandbox/pages.h"
#include "support/fixed_clock.h"
#include "support/gbk_literal.h"
#include "text/gbk_conversion.h"
#include "text/markers.h"
#include "text/md5.h"
#include "xml/xml_document.h"

namespace quorvane::sandbox {
namespace {

using quorvane::testing::FixedClock;
using quorvane::testing::operator""_gbk;
using namespace std::chrono_literals;

// The item and price patterns of the four listing designs, in the order the
// crawler tries them.
struct Design {
    const char* item;
    const char* price;
};
const Design designs[] = {
    {"<a target=\"_blank\" href=\"(.*?)\" class=\"permalink\" style=\"\">\n(.*?)\n\\s*</a>",
     "&yen;</s><strong>(.*?)</strong>\n"},
    {"<a class=\"item-name\" href=\".*?id=(.*?)\" target=\"_blank\">(.*?)</a>",
     "<span class=\"c-price\">(.*?)</span>"},
    {"<a title=\"(.*?)\"  href=\".*?id=(.*?)\" target=\"_blank\">", "<strong>(.*?) 元</strong>"},
    {"<a class=\"item-name\"[\\s\\S]*?href=\".*?id=(.*?)\" target=\"_blank\">(.*?)</a>",
     "<span class=\"c-price\">(.*?)</span>"},
};

class SandboxTest : public ::testing::Test {
protected:
    void SetUp() override { start(SandboxConfig{}); }

    void start(SandboxConfig config) {
        config.size = CatalogueSize{4, 10, 4};
        config.clock = &clock_;
        sandbox_ = std::make_unique<Sandbox>(config);
        ASSERT_TRUE(sandbox_->start());
    }

    std::string get(const std::string& address, int* status = nullptr) {
        WebRequestOptions options;
        options.status = status;
        options.deadline = 5s;
        return web_request(address, options);
    }

    // The crawler's region: after the first "排序", before the first "到第".
    static std::string region(const std::string& page) {
        return find_between(page, "排序"_gbk, "到第"_gbk);
    }

    const Catalogue& catalogue() const { return sandbox_->catalogue(); }

    FixedClock clock_{system_clock().now()};
    std::unique_ptr<Sandbox> sandbox_;
};

TEST_F(SandboxTest, SearchPageCarriesTotalsAndPageInfoInBothForms) {
    for (size_t s = 0; s < catalogue().shops.size(); ++s) {
        const std::string page = get("http://" + sandbox_->shop_host(s) + "/search.htm?search=y");
        EXPECT_EQ(find_between(page, "共搜索到<span>"_gbk, "</span>个符合条件的商品。"_gbk), "10");
        const std::string info = s % 2 == 0
                                     ? find_between(page, "<span class=\"page-info\">", "</span>")
                                     : find_between(page, "<b class=\"ui-page-s-len\">", "</b>");
        EXPECT_EQ(info, "1/3") << "shop " << s;
    }
}

TEST_F(SandboxTest, ListingPagesHoldTheirItemsInTheShopsDesign) {
    for (const Shop& shop : catalogue().shops) {
        const auto design = static_cast<size_t>(shop.design);
        for (int page = 1; page <= 3; ++page) {
            const std::string text = region(get("http://" + sandbox_->shop_host(shop.index) +
                                                "/search.htm?&pageNum=" + std::to_string(page)));
            PatternSearch items;
            PatternSearch prices;
            const PatternOptions crawler{true, true, true, DotMode::any};
            // The designs tried before this one find nothing on its pages.
            for (size_t earlier = 0; earlier < design; ++earlier) {
                items.compile(designs[earlier].item, crawler);
                EXPECT_EQ(items.find_all(text), 0) << "design " << earlier;
            }
            items.compile(designs[design].item, crawler);
            prices.compile(utf8_to_gbk(designs[design].price), crawler);
            const size_t first = static_cast<size_t>(page - 1) * 4;
            const size_t expected = std::min<size_t>(4, shop.items.size() - first);
            ASSERT_EQ(static_cast<size_t>(items.find_all(text)), expected);
            ASSERT_EQ(static_cast<size_t>(prices.find_all(text)), expected);
            for (size_t i = 0; i < expected; ++i) {
                const Item& item = catalogue().items[shop.items[first + i]];
                const int n = static_cast<int>(i) + 1;
                std::string id = shop.design == PageDesign::shop_street ? items.submatch_text(n, 2)
                                                                        : items.submatch_text(n, 1);
                if (shop.design == PageDesign::plain) {
                    id = find_between(id, "id=", "&");
                } else if (shop.design == PageDesign::new_tmall) {
                    id = id.substr(0, id.find('&'));
                }
                EXPECT_EQ(id, item.num_iid);
                EXPECT_EQ(prices.submatch_text(n, 1), item.price);
            }
        }
    }
}

TEST_F(SandboxTest, HotBoxStandsOutsideTheRegion) {
    const Shop& shop = catalogue().shops[1];
    const std::string page = get("http://" + sandbox_->shop_host(1) + "/search.htm?&pageNum=1");
    PatternSearch items;
    items.compile(designs[1].item, PatternOptions{true, true, true, DotMode::any});
    EXPECT_EQ(items.find_all(page), 5);
    EXPECT_EQ(items.find_all(region(page)), 4);
    EXPECT_EQ(shop.design, PageDesign::wangpu);
}

TEST_F(SandboxTest, CategoryAddressesInEveryForm) {
    const Shop& shop = catalogue().shops[0];
    const std::string host = sandbox_->shop_host(0);
    for (const Category& category : shop.categories) {
        const std::string typed = category_address(category, host);
        const std::string page = get(typed);
        EXPECT_EQ(find_between(page, "共搜索到<span>"_gbk, "</span>"),
                  std::to_string(category.items.size()))
            << typed;
        // The listing addresses the crawler builds from it.
        std::string listing;
        switch (category.form) {
            case CategoryForm::scid:
                listing = "http://" + host + "/search.htm?&search=y&scid=" + category.id +
                          "&viewType=grid&orderType=_hotsell&pageNum=1";
                break;
            case CategoryForm::cat_id:
            case CategoryForm::category_page:
                listing = "http://" + host + "/search.htm?&search=y&catId=" + category.id +
                          "&viewType=grid&orderType=_hotsell&pageNum=1";
                break;
            case CategoryForm::whole_address:
                listing = typed + "&pageNum=1";
                break;
        }
        const std::string first_item = catalogue().items[category.items.at(0)].num_iid;
        EXPECT_NE(region(get(listing)).find("id=" + first_item), std::string::npos) << listing;
    }
}

TEST_F(SandboxTest, ItemPagesCarryTheirIdMarkerAndTitle) {
    const char* const starts[] = {"itemId:\"", "itemId:'", "item_id\" value=\"",
                                  "J_itemId\" value='"};
    const char* const ends[] = {"\",", "',", "\"/>", "'/>"};
    int blank_titles = 0;
    for (const Item& item : catalogue().items) {
        const std::string page =
            get("http://" + sandbox_->main_host() + "/item.htm?id=" + item.num_iid);
        EXPECT_EQ(find_between(page, starts[item.id_marker], ends[item.id_marker]), item.num_iid);
        const std::string title = item.title_with_blank ? find_between(page, "<title >", "</title>")
                                                        : find_between(page, "<title>", "</title>");
        EXPECT_EQ(title, item.title + "-淘宝网"_gbk);
        blank_titles += item.title_with_blank ? 1 : 0;
    }
    EXPECT_GT(blank_titles, 0);
}

TEST_F(SandboxTest, GatewayChecksSignatureKeyAndTimestamp) {
    const Item& item = catalogue().items[3];
    const MarketplaceEndpoints endpoints = sandbox_->endpoints();
    const ApiCredential good{"21000001", "sandbox-secret-one"};
    XmlDocument doc;
    auto msg_of = [&](const std::string& url) {
        doc.load(get(url));
        return doc.get_text("@1/msg");
    };

    const std::string url = item_request_url(item.num_iid, good, endpoints, clock_.now());
    ASSERT_EQ(doc.load(get(url)), 1);
    EXPECT_EQ(doc.get_text("@1/msg"), "");
    EXPECT_EQ(doc.get_text("item_get_response/item/num_iid"), item.num_iid);

    std::string wrong_sign = url;
    wrong_sign.back() = wrong_sign.back() == 'A' ? 'B' : 'A';
    EXPECT_EQ(msg_of(wrong_sign), "Invalid signature");
    EXPECT_EQ(msg_of(item_request_url(item.num_iid, {"21000001", "not-the-secret"}, endpoints,
                                      clock_.now())),
              "Invalid signature");
    EXPECT_EQ(msg_of(item_request_url(item.num_iid, {"99999999", "x"}, endpoints, clock_.now())),
              "Invalid app Key");
    LocalTime stale = clock_.now();
    stale.minute = (stale.minute + 30) % 60;
    stale.hour = (stale.hour + 1) % 24;
    EXPECT_EQ(msg_of(item_request_url(item.num_iid, good, endpoints, stale)), "Invalid timestamp");
    EXPECT_EQ(msg_of(item_request_url("1", good, endpoints, clock_.now())), "Remote service error");
    EXPECT_EQ(msg_of("http://" + sandbox_->main_host() + "/router/rest?app_key=21000001"),
              "Missing required arguments:method");
}

TEST_F(SandboxTest, ProxiesCheckTheDigest) {
    const Item& item = catalogue().items[5];
    const MarketplaceEndpoints endpoints = sandbox_->endpoints();
    XmlDocument doc;
    doc.load(fetch_item_answer(item.num_iid, {"31000099", "proxy-one-secret"}, endpoints));
    EXPECT_EQ(doc.get_text("item_get_response/item/num_iid"), item.num_iid);
    doc.load(fetch_item_answer(item.num_iid, {"31000088", "proxy-two-secret"}, endpoints));
    EXPECT_EQ(doc.get_text("item_get_response/item/num_iid"), item.num_iid);
    doc.load(fetch_item_answer(item.num_iid, {"31000099", "proxy-two-secret"}, endpoints));
    EXPECT_EQ(doc.get_text("@1/msg"), "Invalid digest");
}

TEST_F(SandboxTest, AnswersReadTheSameInBothEncodings) {
    const MarketplaceEndpoints endpoints = sandbox_->endpoints();
    int utf8 = 0;
    for (const Item& item : catalogue().items) {
        XmlDocument doc;
        const std::string bytes =
            fetch_item_answer(item.num_iid, {"31000099", "proxy-one-secret"}, endpoints);
        ASSERT_EQ(doc.load(bytes), 1);
        utf8 += bytes.find("encoding=\"utf-8\"") != std::string::npos ? 1 : 0;
        EXPECT_EQ(doc.get_text("item_get_response/item/title"), item.title);
        EXPECT_EQ(doc.get_text("item_get_response/item/location/city"), item.location.at("city"));
        int found = 0;
        EXPECT_EQ(static_cast<size_t>(doc.child_count("item_get_response/item/skus", found)),
                  item.skus.size());
        EXPECT_EQ(static_cast<size_t>(doc.child_count("item_get_response/item/item_imgs", found)),
                  item.main_pictures.size());
        const std::string desc = doc.get_text("item_get_response/item/desc");
        EXPECT_NE(desc.find("&lt;IMG src=&quot;http://"), std::string::npos);
        EXPECT_NE(desc.find("background=&quot;http://"), std::string::npos);
        EXPECT_NE(desc.find("&amp;nbsp;"), std::string::npos);
        EXPECT_NE(doc.get_text("item_get_response/item/wireless_desc").find("&lt;img&gt;http://"),
                  std::string::npos);
    }
    EXPECT_GT(utf8, 0);
    EXPECT_LT(utf8, static_cast<int>(catalogue().items.size()));
}

TEST_F(SandboxTest, PicturesServeValidBytesOrFailAsPlanned) {
    int missing = 0;
    int empty = 0;
    int outside = 0;
    for (const Item& item : catalogue().items) {
        for (const Picture& picture : item.desc_pictures) {
            int status = 0;
            const std::string bytes =
                get("http://" + sandbox_->main_host() + picture.path, &status);
            switch (picture.state) {
                case PictureState::missing:
                    EXPECT_EQ(status, 404);
                    ++missing;
                    break;
                case PictureState::empty:
                    EXPECT_EQ(status, 200);
                    EXPECT_EQ(bytes, "");
                    ++empty;
                    break;
                case PictureState::ok:
                    EXPECT_EQ(status, 200);
                    if (picture.format == PictureFormat::jpeg) {
                        EXPECT_EQ(bytes.substr(0, 2), "\xFF\xD8");
                        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\xFF\xD9");
                    } else if (picture.format == PictureFormat::png) {
                        EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1A\n");
                    } else {
                        EXPECT_EQ(bytes.substr(0, 6), "GIF89a");
                    }
            }
            outside += picture.on_taobao_space() ? 0 : 1;
        }
    }
    EXPECT_GT(missing, 0);
    EXPECT_GT(empty, 0);
    EXPECT_GT(outside, 0);
}

TEST_F(SandboxTest, DumpNamesWhatIsServed) {
    const std::string dump = sandbox_->dump_json();
    for (const Item& item : catalogue().items) {
        EXPECT_NE(
            dump.find("\"num_iid\":\"" + item.num_iid + "\",\"shop\":" + std::to_string(item.shop) +
                      ",\"title\":" + json_string(gbk_to_utf8(item.title), true)),
            std::string::npos)
            << item.num_iid;
    }
    for (size_t s = 0; s < catalogue().shops.size(); ++s) {
        EXPECT_NE(dump.find("\"host\":\"" + sandbox_->shop_host(s) + "\""), std::string::npos);
    }
    EXPECT_NE(dump.find("\"gateway_host\":\"" + sandbox_->main_host() + "\""), std::string::npos);
}

TEST_F(SandboxTest, FailurePlansForItemsAndKeys) {
    sandbox_.reset();
    SandboxConfig config;
    const std::string id = make_catalogue(CatalogueSize{4, 10, 4}, config.seed).items[2].num_iid;
    config.faults.failing_items[id] = 1;
    config.faults.throttled_keys["21000002"] = 2;
    start(config);
    const MarketplaceEndpoints endpoints = sandbox_->endpoints();
    XmlDocument doc;
    auto msg = [&](const ApiCredential& credential) {
        doc.load(fetch_item_answer(id, credential, endpoints));
        return doc.get_text("@1/msg");
    };
    EXPECT_EQ(msg({"31000099", "proxy-one-secret"}), "Remote service error");
    EXPECT_EQ(msg({"31000099", "proxy-one-secret"}), "");
    FetchOptions at_clock;
    at_clock.clock = &clock_;
    const ApiCredential throttled{"21000002", "sandbox-secret-two"};
    for (const char* expected : {"App Call Limited", "App Call Limited", ""}) {
        doc.load(fetch_item_answer(id, throttled, endpoints, at_clock));
        EXPECT_EQ(doc.get_text("@1/msg"), expected);
    }
}

struct FaultCase {
    const char* name;
    Faults faults;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class SandboxFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SandboxFaults, EveryRequestFails) {
    SandboxConfig config;
    config.size = CatalogueSize{1, 3, 4};
    config.faults = GetParam().faults;
    Sandbox sandbox(config);
    ASSERT_TRUE(sandbox.start());
    WebRequestOptions options;
    options.deadline = 300ms;
    const Item& item = sandbox.catalogue().items[0];
    EXPECT_EQ(
        web_request("http://" + sandbox.main_host() + "/item.htm?id=" + item.num_iid, options), "");
    EXPECT_EQ(web_request("http://" + sandbox.main_host() + item.main_pictures[0].path, options),
              "");
}

INSTANTIATE_TEST_SUITE_P(Cases, SandboxFaults,
                         ::testing::Values(FaultCase{"reset", Faults{0, 0, 1.0, 0, {}, {}, {}}},
                                           FaultCase{"truncate", Faults{0, 0, 0, 1.0, {}, {}, {}}},
                                           FaultCase{"hang", Faults{0, 0, 0, 0, {"/"}, {}, {}}}),
                         [](const auto& info) { return info.param.name; });

TEST(SandboxFaultPlan, FractionsAreDeterministicAndNearTheirShare) {
    std::vector<int> runs;
    for (int run = 0; run < 2; ++run) {
        SandboxConfig config;
        config.size = CatalogueSize{1, 4, 4};
        config.faults.truncate_fraction = 0.5;
        Sandbox sandbox(config);
        ASSERT_TRUE(sandbox.start());
        const std::string address =
            "http://" + sandbox.main_host() + sandbox.catalogue().items[0].main_pictures[0].path;
        int failed = 0;
        for (int i = 0; i < 40; ++i) {
            failed += web_request(address).empty() ? 1 : 0;
        }
        runs.push_back(failed);
    }
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_GT(runs[0], 5);
    EXPECT_LT(runs[0], 35);
}

TEST(SandboxLog, RecordsEveryRequest) {
    const auto log = std::filesystem::temp_directory_path() /
                     ("quorvane-sandbox-log-" + std::to_string(::getpid()) + ".jsonl");
    {
        SandboxConfig config;
        config.size = CatalogueSize{1, 2, 4};
        config.log_file = log.string();
        Sandbox sandbox(config);
        ASSERT_TRUE(sandbox.start());
        WebRequestOptions post;
        post.method = "POST";
        post.post_data = "_id=1&m=2";
        web_request("http://" + sandbox.main_host() + "/item_get", post);
        web_request("http://" + sandbox.shop_host(0) + "/search.htm?search=y");
    }
    std::ifstream in(log);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_NE(text.find("{\"method\":\"POST\",\"target\":\"/item_get\""), std::string::npos);
    EXPECT_NE(text.find("\"body\":\"_id=1&m=2\""), std::string::npos);
    EXPECT_NE(text.find("\"target\":\"/search.htm?search=y\""), std::string::npos);
    EXPECT_NE(text.find("[\"Referer\","), std::string::npos);
    std::filesystem::remove(log);
}

}  // namespace
}  // namespace quorvane::sandbox
