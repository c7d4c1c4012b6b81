#pragma once

#include <string_view>

#include "itemlist/input_mode.h"
#include "itemlist/item_list.h"
#include "itemlist/shop_crawler.h"
#include "marketplace/marketplace_endpoints.h"
#include "text/run_log.h"

// "添加到列表": an address becomes list rows by the input mode. A single
// item is added at once; a shop or category starts the crawler. Progress
// and refusals go to the log. Fetches block the calling thread, so front
// ends call this from a background thread.
namespace quorvane {

struct ListContext {
    ItemList& list;
    RunLog& log;
    ShopCrawler& crawler;
    const MarketplaceEndpoints& endpoints;
    FetchSettings fetch;
};

struct AddOutcome {
    int rows_added = 0;      // by a single item
    int pages_to_crawl = 0;  // when a crawl was started
};

AddOutcome add_to_list(ListContext& context, InputMode mode, std::string_view address);

}  // namespace quorvane
