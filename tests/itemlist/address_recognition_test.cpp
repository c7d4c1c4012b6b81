#include "itemlist/address_recognition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <set>
#include <thread>

#include "sandbox/pages.h"
#include "sandbox/sandbox.h"
#include "support/fixed_clock.h"
#include "support/gbk_literal.h"
#include "support/loopback_server.h"

namespace quorvane {
namespace {

using testing::FixedClock;
using testing::LoopbackServer;
using testing::operator""_gbk;
using testing::RawRequest;
using testing::Reply;
using namespace std::chrono_literals;

const LocalTime log_time{2024, 3, 5, 7, 8, 9, 0};

// A list, a log and a crawler over some endpoints, as a front end holds them.
struct Harness {
    explicit Harness(MarketplaceEndpoints endpoints_, InputMode mode = InputMode::none)
        : endpoints(std::move(endpoints_)), input_mode(mode) {}

    AddOutcome add(InputMode mode, const std::string& address) {
        input_mode.store(mode);
        AddOutcome outcome = add_to_list(context, mode, address);
        crawler.wait();
        return outcome;
    }
    std::vector<std::string> log_bodies() const {
        std::vector<std::string> bodies;
        const std::string time = runlog_time_text(log_time);
        for (const std::string& line : log.lines()) {
            EXPECT_EQ(line.substr(0, time.size()), time);
            bodies.push_back(line.substr(time.size()));
        }
        return bodies;
    }
    size_t log_count(const std::string& body) const {
        const auto bodies = log_bodies();
        return static_cast<size_t>(std::count(bodies.begin(), bodies.end(), body));
    }

    MarketplaceEndpoints endpoints;
    FixedClock clock{log_time};
    ItemList list;
    RunLog log{clock};
    InputModeState input_mode;
    ShopCrawler crawler{list, log, endpoints, input_mode, FetchSettings{5s}};
    ListContext context{list, log, crawler, endpoints, FetchSettings{5s}};
};

class AgainstSandbox : public ::testing::Test {
protected:
    void SetUp() override {
        sandbox::SandboxConfig config;
        config.size = sandbox::CatalogueSize{4, 10, 4};
        sandbox_ = std::make_unique<sandbox::Sandbox>(config);
        ASSERT_TRUE(sandbox_->start());
        harness_ = std::make_unique<Harness>(sandbox_->endpoints());
    }
    const sandbox::Catalogue& catalogue() const { return sandbox_->catalogue(); }

    // The title as the listing page shows it (a title attribute escapes quotes).
    static std::string listed_title(const sandbox::Item& item, sandbox::PageDesign design) {
        if (design != sandbox::PageDesign::shop_street) {
            return item.title;
        }
        std::string out;
        for (char c : item.title) {
            out += c == '"' ? std::string("&quot;") : std::string(1, c);
        }
        return out;
    }

    void expect_rows_are(const std::vector<size_t>& items, sandbox::PageDesign design) {
        std::map<std::string, ItemRowCells> rows;
        for (const ItemRowCells& row : harness_->list.rows()) {
            EXPECT_TRUE(rows.emplace(row[column_item_id], row).second)
                << "listed twice: " << row[column_item_id];
        }
        ASSERT_EQ(rows.size(), items.size());
        for (size_t index : items) {
            const sandbox::Item& item = catalogue().items[index];
            ASSERT_TRUE(rows.count(item.num_iid)) << item.num_iid;
            const ItemRowCells& row = rows[item.num_iid];
            EXPECT_EQ(row[column_title], listed_title(item, design));
            EXPECT_EQ(row[column_price], item.price);
            EXPECT_EQ(row[column_address],
                      "http://" + sandbox_->main_host() + "/item.htm?id=" + item.num_iid);
        }
    }

    std::unique_ptr<sandbox::Sandbox> sandbox_;
    std::unique_ptr<Harness> harness_;
};

TEST_F(AgainstSandbox, EveryDesignReadsTheWholeShop) {
    for (const sandbox::Shop& shop : catalogue().shops) {
        harness_ = std::make_unique<Harness>(sandbox_->endpoints());
        const AddOutcome outcome =
            harness_->add(InputMode::shop, "http://" + sandbox_->shop_host(shop.index) + "/");
        EXPECT_EQ(outcome.pages_to_crawl, 3);
        expect_rows_are(shop.items, shop.design);
        EXPECT_EQ(harness_->log_count("  共搜索到：10 个商品\r\n"_gbk), 1u);
        EXPECT_EQ(
            harness_->log_count("  宝贝页码从第 1 页到第  3  页下载，总页码数是 3 页！\r\n"_gbk),
            1u);
    }
}

TEST_F(AgainstSandbox, CategoriesOfEveryKind) {
    const sandbox::Shop& shop = catalogue().shops[1];
    const int kinds[] = {1, 2, 2, 3};
    for (const sandbox::Category& category : shop.categories) {
        harness_ = std::make_unique<Harness>(sandbox_->endpoints());
        const std::string address =
            sandbox::category_address(category, sandbox_->shop_host(shop.index));
        harness_->add(InputMode::category, address);
        const CrawlState state = harness_->crawler.state();
        EXPECT_EQ(state.category_kind, kinds[static_cast<int>(category.form)]) << address;
        EXPECT_EQ(state.shop_host, sandbox_->shop_host(shop.index));
        EXPECT_EQ(state.category_ref, state.category_kind == 3 ? address : category.id);
        expect_rows_are(category.items, shop.design);
    }
}

TEST_F(AgainstSandbox, SingleItemsByEveryMarkerAndTitleForm) {
    std::set<int> markers;
    bool blank_title = false;
    int added = 0;
    for (const sandbox::Item& item : catalogue().items) {
        if (markers.count(item.id_marker) && (blank_title || !item.title_with_blank)) {
            continue;
        }
        markers.insert(item.id_marker);
        blank_title = blank_title || item.title_with_blank;
        const std::string address =
            "http://" + sandbox_->main_host() + "/item.htm?id=" + item.num_iid;
        EXPECT_EQ(harness_->add(InputMode::single, address).rows_added, 1);
        const ItemRowCells row = harness_->list.row(added++);
        EXPECT_EQ(row, (ItemRowCells{item.title + "-淘宝网"_gbk, "", address, item.num_iid}));
    }
    EXPECT_EQ(markers.size(), 4u);
    EXPECT_TRUE(blank_title);
    EXPECT_TRUE(harness_->log.lines().empty());
}

TEST_F(AgainstSandbox, RefusalsAndNotFoundLines) {
    const std::string item_host = sandbox_->main_host();
    struct Case {
        InputMode mode;
        std::string address;
        std::string line;  // "" when nothing is logged
    };
    const std::vector<Case> cases = {
        {InputMode::shop, "http://" + item_host + "/item.htm?id=1",
         "  店铺地址输入不正确，未识别到宝贝！\r\n"_gbk},
        {InputMode::shop, "http://" + sandbox_->endpoints().mall_item_page_host + "/x",
         "  店铺地址输入不正确，未识别到宝贝！\r\n"_gbk},
        {InputMode::shop, "http://" + sandbox_->shop_host(0),
         "  店铺地址输入不正确，未识别到宝贝！\r\n"_gbk},
        {InputMode::category, "http://" + sandbox_->shop_host(0) + "/search.htm?search=y&scid=5",
         "  分类地址输入不正确，未识别到宝贝！\r\n"_gbk},
        {InputMode::single, "http://" + item_host + "/item.htm?id=404",
         "  地址输入不正确，未识别到宝贝！\r\n"_gbk},
        {InputMode::single, "   ", ""},
        {InputMode::none, "http://" + sandbox_->shop_host(0) + "/", ""},
    };
    for (const Case& c : cases) {
        harness_ = std::make_unique<Harness>(sandbox_->endpoints());
        harness_->add(c.mode, c.address);
        const auto bodies = harness_->log_bodies();
        if (c.line.empty()) {
            EXPECT_TRUE(bodies.empty()) << c.address;
        } else {
            ASSERT_FALSE(bodies.empty()) << c.address;
            EXPECT_EQ(bodies.front(), c.line) << c.address;
        }
        EXPECT_EQ(harness_->list.row_count(), 0) << c.address;
    }
}

TEST_F(AgainstSandbox, CategoryWithBothFormsIsUsedWhole) {
    const std::string address =
        "http://" + sandbox_->shop_host(0) + "/category-100002.htm?search=y&scid=100000&x=1";
    harness_->add(InputMode::category, address);
    EXPECT_EQ(harness_->crawler.state().category_kind, 3);
    EXPECT_EQ(harness_->crawler.state().category_ref, address);
}

class CrawlerSandboxConcurrency : public AgainstSandbox {};

TEST_F(CrawlerSandboxConcurrency, EachOfThreePagesReadOnce) {
    harness_->add(InputMode::shop, "http://" + sandbox_->shop_host(2) + "/");
    std::multiset<std::string> pages;
    for (const std::string& body : harness_->log_bodies()) {
        const size_t at = body.find("正在读取宝贝列表 第：  "_gbk);
        if (at != std::string::npos) {
            pages.insert(body.substr(at + "正在读取宝贝列表 第：  "_gbk.size()));
        }
    }
    EXPECT_EQ(pages, (std::multiset<std::string>{"1 /3 页\r\n"_gbk, "2 /3 页\r\n"_gbk,
                                                 "3 /3 页\r\n"_gbk}));
    EXPECT_EQ(harness_->list.row_count(), 10);
}

// Pages made by hand for the edge cases of the listing designs.
class HandMadePages : public ::testing::Test {
protected:
    void serve(std::function<std::string(int page)> listing, int pages) {
        server_ = std::make_unique<LoopbackServer>([listing, pages](const RawRequest& request) {
            const std::string line = request.request_line();
            const size_t at = line.find("pageNum=");
            if (at == std::string::npos) {
                return Reply::ok("<span class=\"page-info\">1/" + std::to_string(pages) +
                                 "</span>");
            }
            return Reply::ok(listing(std::atoi(line.c_str() + at + 8)));
        });
        endpoints_.item_page_host = "item.example";
        harness_ = std::make_unique<Harness>(endpoints_);
    }
    std::string shop() const { return "http://127.0.0.1:" + std::to_string(server_->port()) + "/"; }

    MarketplaceEndpoints endpoints_;
    std::unique_ptr<LoopbackServer> server_;
    std::unique_ptr<Harness> harness_;
};

std::string plain_item(const std::string& link, const std::string& title,
                       const std::string& price) {
    return "<a target=\"_blank\" href=\"" + link + "\" class=\"permalink\" style=\"\">\n" + title +
           "\n   </a>" + (price.empty() ? "" : "<s>&yen;</s><strong>" + price + "</strong>\n");
}

TEST_F(HandMadePages, PlainItemWithoutAmpersandAfterItsIdIsSkipped) {
    serve(
        [](int) {
            return "排序"_gbk + plain_item("http://i/item.htm?id=11&rn=1", "A", "1.00") +
                   plain_item("http://i/item.htm?id=12", "B", "2.00") +
                   plain_item("http://i/item.htm?id=13&x", "C", "3.00") + "到第"_gbk;
        },
        1);
    harness_->add(InputMode::shop, shop());
    const auto rows = harness_->list.rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (ItemRowCells{"A", "1.00", "http://item.example/item.htm?id=11", "11"}));
    // Prices pair by position: the skipped item still took the second price.
    EXPECT_EQ(rows[1], (ItemRowCells{"C", "3.00", "http://item.example/item.htm?id=13", "13"}));
}

TEST_F(HandMadePages, TwentyItemsNineteenPrices) {
    serve(
        [](int) {
            std::string page = "排序"_gbk;
            for (int i = 1; i <= 20; ++i) {
                page += "<a class=\"item-name\" href=\"http://i/item.htm?id=" + std::to_string(i) +
                        "\" target=\"_blank\">T" + std::to_string(i) + "</a>";
                if (i <= 19) {
                    page += "<span class=\"c-price\">" + std::to_string(i) + ".00</span>";
                }
            }
            return page + "到第"_gbk;
        },
        1);
    harness_->add(InputMode::shop, shop());
    const auto rows = harness_->list.rows();
    ASSERT_EQ(rows.size(), 20u);
    EXPECT_EQ(rows[18][column_price], "19.00");
    EXPECT_EQ(rows[19][column_price], "");
}

TEST_F(HandMadePages, RegionAndLetterCase) {
    serve(
        [](int page) {
            const std::string item =
                "<A CLASS=\"item-name\" HREF=\"http://i/item.htm?id=" + std::to_string(page) +
                "\" TARGET=\"_blank\">T</A>";
            if (page == 1) {
                return "排序"_gbk + item + "没有结尾"_gbk;  // no "到第": nothing
            }
            if (page == 2) {
                return item + "排序"_gbk + "到第"_gbk;  // before the region: nothing
            }
            return "排序"_gbk + item + "到第"_gbk;  // upper-case tags are read
        },
        3);
    harness_->add(InputMode::shop, shop());
    const auto rows = harness_->list.rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][column_item_id], "3");
    size_t done_lines = 0;
    for (const std::string& body : harness_->log_bodies()) {
        done_lines += body.find("读取成功"_gbk) != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(done_lines, 3u);  // every page reports, found or not
}

class ShopCrawlerConcurrency : public HandMadePages {};

TEST_F(ShopCrawlerConcurrency, SwitchingToSingleStopsTheRemainingPages) {
    std::atomic<int> requests{0};
    InputModeState* mode = nullptr;
    serve(
        [&](int page) {
            // The first listing request switches the mode; pages taken after
            // it build no address and add nothing.
            if (requests++ == 0) {
                mode->store(InputMode::single);
            }
            return "排序"_gbk +
                   "<a class=\"item-name\" href=\"http://i/item.htm?id=" + std::to_string(page) +
                   "\" target=\"_blank\">T</a>" + "到第"_gbk;
        },
        40);
    mode = &harness_->input_mode;
    harness_->add(InputMode::shop, shop());
    EXPECT_LE(harness_->list.row_count(), 5);
    EXPECT_LE(requests.load(), 5);
    EXPECT_GE(harness_->list.row_count(), 1);
    size_t read_lines = 0;
    for (const std::string& body : harness_->log_bodies()) {
        read_lines += body.find("正在读取宝贝列表"_gbk) != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(read_lines, 40u);
}

}  // namespace
}  // namespace quorvane

namespace quorvane {
namespace {

TEST(ShopCrawlerCancelConcurrency, CancelEndsACrawlWaitingOnSilentPages) {
    LoopbackServer server([](const RawRequest& request) {
        if (request.request_line().find("pageNum=") == std::string::npos) {
            return Reply::ok("<span class=\"page-info\">1/3</span>");
        }
        return Reply{"", Reply::Then::hang};  // listing pages never answer
    });
    MarketplaceEndpoints endpoints;
    ItemList list;
    RunLog log;
    InputModeState mode{InputMode::shop};
    // The transport's own 90-second deadline: only the cancellation ends it.
    ShopCrawler crawler(list, log, endpoints, mode);
    ListContext context{list, log, crawler, endpoints, {}};
    const AddOutcome outcome = add_to_list(
        context, InputMode::shop, "http://127.0.0.1:" + std::to_string(server.port()) + "/");
    EXPECT_EQ(outcome.pages_to_crawl, 3);
    while (server.requests().size() < 4) {  // the search page and three listing pages
        std::this_thread::sleep_for(1ms);
    }
    crawler.cancel();
    crawler.wait();
    EXPECT_EQ(list.row_count(), 0);
}

}  // namespace
}  // namespace quorvane
