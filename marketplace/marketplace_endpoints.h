#pragma once

#include <filesystem>
#include <string>

// The hosts of the marketplace and the item-data proxies, each "name" or
// "name:port", reached over plain HTTP.
namespace quorvane {

struct MarketplaceEndpoints {
    std::string item_page_host = "item.taobao.com";
    std::string mall_item_page_host = "detail.tmall.com";
    std::string gateway_host = "gw.api.taobao.com";
    std::string proxy_host_1;  // empty: that route gives an empty body
    std::string proxy_host_2;
};

// The [ENDPOINTS] section of options.ini, one key per field named as the
// field; a missing key keeps its default.
MarketplaceEndpoints load_endpoints(const std::filesystem::path& options_file);

}  // namespace quorvane
