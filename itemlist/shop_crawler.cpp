#include "itemlist/shop_crawler.h"

#include <algorithm>

#include "net/web_request.h"
#include "pattern/pattern_search.h"
#include "text/gbk_conversion.h"
#include "text/gbk_search.h"
#include "text/markers.h"

namespace quorvane {
namespace {

enum class Design { plain, wangpu, shop_street, new_tmall };  // 普通, 旺铺, 店铺街, 新天猫

struct DesignPatterns {
    Design design;
    std::string item;
    std::string price;
};

// Tried in this order; the first whose item pattern matches is the page's.
const std::vector<DesignPatterns>& designs() {
    static const std::vector<DesignPatterns> table = {
        {Design::plain,
         "<a target=\"_blank\" href=\"(.*?)\" class=\"permalink\" style=\"\">\n(.*?)\n\\s*</a>",
         "&yen;</s><strong>(.*?)</strong>\n"},
        {Design::wangpu, "<a class=\"item-name\" href=\".*?id=(.*?)\" target=\"_blank\">(.*?)</a>",
         "<span class=\"c-price\">(.*?)</span>"},
        {Design::shop_street, "<a title=\"(.*?)\"  href=\".*?id=(.*?)\" target=\"_blank\">",
         gbk("<strong>(.*?) 元</strong>")},
        {Design::new_tmall,
         "<a class=\"item-name\"[\\s\\S]*?href=\".*?id=(.*?)\" target=\"_blank\">(.*?)</a>",
         "<span class=\"c-price\">(.*?)</span>"},
    };
    return table;
}

// A fetched body as page text: every zero byte becomes a blank.
std::string page_text(std::string body) {
    std::replace(body.begin(), body.end(), '\0', ' ');
    return body;
}

std::string listing_address(InputMode mode, const CrawlState& state, int page) {
    const std::string number = std::to_string(page);
    if (mode == InputMode::shop) {
        return "http://" + state.shop_host + "/search.htm?&pageNum=" + number;
    }
    if (mode != InputMode::category) {
        return {};
    }
    switch (state.category_kind) {
        case 1:
            return "http://" + state.shop_host +
                   "/search.htm?&search=y&scid=" + state.category_ref +
                   "&viewType=grid&orderType=_hotsell&pageNum=" + number;
        case 2:
            return "http://" + state.shop_host +
                   "/search.htm?&search=y&catId=" + state.category_ref +
                   "&viewType=grid&orderType=_hotsell&pageNum=" + number;
        case 3:
            return state.category_ref + "&pageNum=" + number;
        default:
            return {};
    }
}

}  // namespace

ShopCrawler::ShopCrawler(ItemList& list, RunLog& log, const MarketplaceEndpoints& endpoints,
                         const InputModeState& mode, FetchSettings fetch)
    : list_(list), log_(log), endpoints_(endpoints), mode_(mode), fetch_(fetch) {}

ShopCrawler::~ShopCrawler() {
    cancel();
    wait();
}

void ShopCrawler::reset_category() {
    std::lock_guard lock(state_mutex_);
    state_.category_kind = 0;
    state_.category_ref.clear();
}

void ShopCrawler::set_shop_host(const std::string& host) {
    std::lock_guard lock(state_mutex_);
    state_.shop_host = host;
}

void ShopCrawler::set_category(int kind, const std::string& ref) {
    std::lock_guard lock(state_mutex_);
    state_.category_kind = kind;
    state_.category_ref = ref;
}

CrawlState ShopCrawler::state() const {
    std::lock_guard lock(state_mutex_);
    return state_;
}

void ShopCrawler::start_crawl(int total_pages) {
    {
        std::lock_guard lock(state_mutex_);
        state_.total_pages = total_pages;
        state_.pages_taken = 0;
    }
    std::lock_guard lock(threads_mutex_);
    for (int n = 1; n <= 5; ++n) {
        threads_.emplace_back([this, n] { crawl_pages(n); });
    }
}

void ShopCrawler::wait() {
    while (true) {
        std::vector<std::thread> running;
        {
            std::lock_guard lock(threads_mutex_);
            running.swap(threads_);
        }
        if (running.empty()) {
            return;
        }
        for (std::thread& thread : running) {
            thread.join();
        }
    }
}

void ShopCrawler::cancel() { cancel_.cancel(); }

void ShopCrawler::crawl_pages(int thread_number) {
    static const std::string thread_word = gbk("  线程："),
                             reading = gbk("  正在读取宝贝列表 第：  "), page_word = gbk(" 页\r\n"),
                             done = gbk("  读取成功，成功提取了：  "),
                             items_word = gbk("  个宝贝\r\n"),
                             finished = gbk("  宝贝下载完成 【共提取了：  "),
                             finished_end = gbk("  个宝贝】\r\n"), sort_marker = gbk("排序"),
                             to_page_marker = gbk("到第");
    const std::string n = std::to_string(thread_number);
    const PatternOptions crawler_options{true, true, true, DotMode::any};
    PatternSearch items;
    PatternSearch prices;
    while (!cancel_.cancelled()) {
        // Take the next page in one step: no page is read twice or skipped.
        int page = 0;
        CrawlState state;
        {
            std::lock_guard lock(state_mutex_);
            if (state_.pages_taken >= state_.total_pages) {
                return;
            }
            page = ++state_.pages_taken;
            state = state_;
        }
        const std::string address = listing_address(mode_.load(), state, page);
        WebRequestOptions request;
        request.deadline = fetch_.deadline;
        request.cancel = &cancel_;
        const std::string text =
            address.empty() ? std::string() : page_text(web_request(address, request));
        if (cancel_.cancelled()) {
            return;
        }
        log_.add(thread_word + n + reading + std::to_string(page) + " /" +
                 std::to_string(state.total_pages) + page_word);

        // Only the region after the first "排序" and before the first "到第".
        const size_t sort_at = find_text(text, sort_marker);
        const std::string_view after_sort =
            sort_at == not_found ? std::string_view(text)
                                 : std::string_view(text).substr(sort_at + sort_marker.size());
        const size_t end_at = find_text(after_sort, to_page_marker);
        const std::string_view region =
            end_at == not_found ? std::string_view() : after_sort.substr(0, end_at);

        Design design = Design::new_tmall;
        int item_count = 0;
        for (const DesignPatterns& patterns : designs()) {
            items.compile(patterns.item, crawler_options);
            prices.compile(patterns.price, crawler_options);
            item_count = items.find_all(region);
            prices.find_all(region);
            design = patterns.design;
            if (item_count > 0) {
                break;
            }
        }
        for (int i = 1; i <= item_count; ++i) {
            std::string id;
            std::string title;
            switch (design) {
                case Design::plain:
                    id = find_between(items.submatch_text(i, 1), "id=", "&");
                    title = items.submatch_text(i, 2);
                    break;
                case Design::wangpu:
                    id = items.submatch_text(i, 1);
                    title = items.submatch_text(i, 2);
                    break;
                case Design::shop_street:
                    id = items.submatch_text(i, 2);
                    title = items.submatch_text(i, 1);
                    break;
                case Design::new_tmall: {
                    const std::string link = items.submatch_text(i, 1);
                    const size_t amp = find_text(link, "&");
                    id = amp == not_found ? std::string() : link.substr(0, amp);
                    title = items.submatch_text(i, 2);
                    break;
                }
            }
            if (id.empty()) {
                continue;
            }
            ItemRowCells row;
            row[column_title] = title;
            row[column_price] = i <= prices.match_count() ? prices.submatch_text(i, 1) : "";
            row[column_address] = "http://" + endpoints_.item_page_host + "/item.htm?id=" + id;
            row[column_item_id] = id;
            list_.append_row(row);
        }
        const std::string count = std::to_string(list_.row_count());
        log_.add(thread_word + n + done + count + items_word);
        bool all_handed_out = false;
        {
            std::lock_guard lock(state_mutex_);
            all_handed_out = state_.pages_taken == state_.total_pages;
        }
        if (all_handed_out) {
            log_.add(finished + std::to_string(list_.row_count()) + finished_end);
        }
    }
}

}  // namespace quorvane
