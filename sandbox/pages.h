#pragma once

#include <string>
#include <vector>

#include "sandbox/catalogue.h"

// The marketplace's HTML pages and XML answers as the sandbox serves them.
// Pages are GBK; answers are GBK or, when the item declares utf-8, UTF-8.
namespace quorvane::sandbox {

// A shop or category listing page: totals, page info "page/pages", and the
// items of that page in the shop's design between "排序" and "到第". One
// item of the shop's "hot" box stands before "排序", outside the region.
std::string listing_page(const Catalogue& catalogue, const Shop& shop,
                         const std::vector<size_t>& items, int page, const std::string& item_host);

// An item page: the id in the item's marker form, and its title element.
std::string item_page(const Item& item);

// The taobao.item.get answer; picture addresses on `picture_host`.
std::string item_answer(const Item& item, const std::string& picture_host);

std::string error_answer(int code, const std::string& msg, const std::string& sub_msg = {});

// The address a seller would type for the category.
std::string category_address(const Category& category, const std::string& shop_host);

}  // namespace quorvane::sandbox
