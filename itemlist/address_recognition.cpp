#include "itemlist/address_recognition.h"

#include <algorithm>

#include "net/web_request.h"
#include "text/gbk_conversion.h"
#include "text/gbk_search.h"
#include "text/markers.h"
#include "text/number_text.h"

namespace quorvane {
namespace {

std::string fetch_page(ListContext& context, std::string_view address) {
    WebRequestOptions request;
    request.deadline = context.fetch.deadline;
    request.cancel = &context.crawler.cancel_token();
    std::string body = web_request(address, request);
    std::replace(body.begin(), body.end(), '\0', ' ');
    return body;
}

bool contains(std::string_view text, std::string_view marker) {
    return find_text(text, marker) != not_found;
}

AddOutcome add_single_item(ListContext& context, std::string_view address) {
    static const std::string not_found_line = gbk("  地址输入不正确，未识别到宝贝！\r\n");
    const std::string page = fetch_page(context, address);
    static const std::pair<const char*, const char*> markers[] = {
        {"itemId:\"", "\","},
        {"itemId:'", "',"},
        {"item_id\" value=\"", "\"/>"},
        {"J_itemId\" value='", "'/>"},
    };
    std::string id;
    for (const auto& [start, end] : markers) {
        id = find_between(page, start, end);
        if (!trim(id).empty()) {
            break;
        }
    }
    if (trim(id).empty()) {
        context.log.add(not_found_line);
        return {};
    }
    std::string title = find_between(page, "<title>", "</title>");
    if (title.empty()) {
        title = find_between(page, "<title >", "</title>");
    }
    if (trim(title).empty()) {
        context.log.add(not_found_line);
        return {};
    }
    ItemRowCells row;
    row[column_title] = title;
    row[column_address] = std::string(address);
    row[column_item_id] = id;
    context.list.append_row(row);
    return {1, 0};
}

// Totals and page count of a shop or category page; starts the crawl.
AddOutcome read_totals(ListContext& context, const std::string& page,
                       const std::string& not_found_line) {
    const std::string count = std::string(
        trim(find_between(page, gbk("共搜索到<span>"), gbk("</span>个符合条件的商品。"))));
    context.log.add(gbk("  共搜索到：") + count + gbk(" 个商品\r\n"));
    std::string info = find_between(page, "<span class=\"page-info\">", "</span>");
    if (info.empty()) {
        info = find_between(page, "<b class=\"ui-page-s-len\">", "</b>");
    }
    const std::string pages_text = text_after_last(info, "/");
    const int pages = static_cast<int>(text_to_number(pages_text));
    if (pages == 0) {
        context.log.add(not_found_line);
        return {};
    }
    context.log.add(gbk("  宝贝页码从第 1 页到第  ") + pages_text + gbk("  页下载，总页码数是 ") +
                    pages_text + gbk(" 页！\r\n"));
    context.crawler.start_crawl(pages);
    return {0, pages};
}

AddOutcome add_shop(ListContext& context, std::string_view address) {
    static const std::string wrong_shop = gbk("  店铺地址输入不正确，未识别到宝贝！\r\n");
    const std::string host = std::string(trim(find_between(address, "http://", "/")));
    // An item page is not a shop (host names ignore letter case).
    if (host.empty() || equals_ignore_case(host, context.endpoints.item_page_host) ||
        equals_ignore_case(host, context.endpoints.mall_item_page_host)) {
        context.log.add(wrong_shop);
        return {};
    }
    context.crawler.set_shop_host(host);
    const std::string page = fetch_page(context, "http://" + host + "/search.htm?search=y");
    if (page.empty()) {
        context.log.add(wrong_shop);
    }
    return read_totals(context, page, gbk("  该店铺未识别到宝贝！\r\n"));
}

AddOutcome add_category(ListContext& context, std::string_view address) {
    int kind = 0;
    std::string ref;
    if (contains(address, "scid=")) {
        kind = 1;
        ref = trim(find_between(address, "&scid=", "&"));
    }
    if (contains(address, "catId=")) {
        kind = 2;
        ref = trim(find_between(address, "&catId=", "&"));
    }
    if (contains(address, "category-")) {
        kind = 2;
        ref = trim(find_between(address, "category-", "."));
    }
    if (contains(address, "searcy_type") || contains(address, "categoryp")) {
        kind = 3;
        ref = trim(address);
    }
    if (contains(address, "category-") && contains(address, "scid=")) {
        kind = 3;
        ref = trim(address);
    }
    context.crawler.set_category(kind, ref);
    if (ref.empty()) {
        context.log.add(gbk("  分类地址输入不正确，未识别到宝贝！\r\n"));
        return {};
    }
    const std::string page = fetch_page(context, address);
    if (page.empty()) {
        context.log.add(gbk("  店铺地址输入不正确，未识别到宝贝！1\r\n"));
    }
    context.crawler.set_shop_host(std::string(trim(find_between(address, "http://", "/"))));
    return read_totals(context, page, gbk("  该分类未识别到宝贝！\r\n"));
}

}  // namespace

AddOutcome add_to_list(ListContext& context, InputMode mode, std::string_view address) {
    if (trim(address).empty()) {
        return {};
    }
    context.crawler.reset_category();
    switch (mode) {
        case InputMode::single:
            return add_single_item(context, address);
        case InputMode::shop:
            return add_shop(context, address);
        case InputMode::category:
            return add_category(context, address);
        case InputMode::none:
            break;
    }
    return {};
}

}  // namespace quorvane
