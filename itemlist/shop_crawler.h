#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "itemlist/input_mode.h"
#include "itemlist/item_list.h"
#include "marketplace/marketplace_endpoints.h"
#include "net/cancel_token.h"
#include "text/run_log.h"

// Reads every listing page of a shop or category with five threads and
// appends the items it finds to the list.
namespace quorvane {

// 0 none; 1 "scid="; 2 "catId=" or "category-"; 3 the whole address.
struct CrawlState {
    std::string shop_host;
    int category_kind = 0;
    std::string category_ref;
    int total_pages = 0;
    int pages_taken = 0;
};

struct FetchSettings {
    std::chrono::milliseconds deadline{0};  // 0: the transport's 90 seconds
};

class ShopCrawler {
public:
    ShopCrawler(ItemList& list, RunLog& log, const MarketplaceEndpoints& endpoints,
                const InputModeState& mode, FetchSettings fetch = {});
    // Cancels and waits: no thread outlives the crawler.
    ~ShopCrawler();
    ShopCrawler(const ShopCrawler&) = delete;
    ShopCrawler& operator=(const ShopCrawler&) = delete;

    // What recognition sets before a crawl.
    void reset_category();
    void set_shop_host(const std::string& host);
    void set_category(int kind, const std::string& ref);

    // Sets the page total, starts page claims afresh and starts five more
    // threads; threads of an earlier crawl go on with these pages.
    void start_crawl(int total_pages);
    // Waits until every thread started so far has ended.
    void wait();
    // Aborts the transfers in flight and ends the threads.
    void cancel();

    CrawlState state() const;
    const CancelToken& cancel_token() const { return cancel_; }

private:
    void crawl_pages(int thread_number);

    ItemList& list_;
    RunLog& log_;
    MarketplaceEndpoints endpoints_;
    const InputModeState& mode_;
    FetchSettings fetch_;
    CancelToken cancel_;
    mutable std::mutex state_mutex_;
    CrawlState state_;
    std::mutex threads_mutex_;
    std::vector<std::thread> threads_;
};

}  // namespace quorvane
