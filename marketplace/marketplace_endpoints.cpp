#include "marketplace/marketplace_endpoints.h"

#include "settings/profile_file.h"

namespace quorvane {

MarketplaceEndpoints load_endpoints(const std::filesystem::path& options_file) {
    MarketplaceEndpoints endpoints;
    auto read = [&](const char* key, std::string& field) {
        field = read_profile_text(options_file, "ENDPOINTS", key, field);
    };
    read("item_page_host", endpoints.item_page_host);
    read("mall_item_page_host", endpoints.mall_item_page_host);
    read("gateway_host", endpoints.gateway_host);
    read("proxy_host_1", endpoints.proxy_host_1);
    read("proxy_host_2", endpoints.proxy_host_2);
    return endpoints;
}

}  // namespace quorvane
