#include "marketplace/item_fetch.h"

#include "marketplace/top_request.h"
#include "net/web_request.h"
#include "text/md5.h"

namespace quorvane {

ItemRoute item_route(std::string_view app_key) {
    const std::string_view tail = app_key.size() > 2 ? app_key.substr(app_key.size() - 2) : app_key;
    if (tail == "99") {
        return ItemRoute::proxy_1;
    }
    if (tail == "88") {
        return ItemRoute::proxy_2;
    }
    return ItemRoute::gateway;
}

std::string proxy_request_body(std::string_view item_id, std::string_view app_secret) {
    const std::string digest = md5_text(std::string(item_id) + std::string(app_secret));
    return "_id=" + std::string(item_id) + "&m=" + digest;
}

std::string item_request_url(std::string_view item_id, const ApiCredential& credential,
                             const MarketplaceEndpoints& endpoints, const LocalTime& now) {
    TopCall call;
    call.app_key = credential.app_key;
    call.app_secret = credential.app_secret;
    call.format = "xml";
    call.sign_method = "md5";
    call.method = "taobao.item.get";
    call.parameters = {{"fields", std::string(item_field_list)}, {"num_iid", std::string(item_id)}};
    return top_request_url(call, endpoints.gateway_host, now);
}

std::string fetch_item_answer(std::string_view item_id, const ApiCredential& credential,
                              const MarketplaceEndpoints& endpoints, const FetchOptions& options) {
    WebRequestOptions request;
    request.cancel = options.cancel;
    request.deadline = options.deadline;
    std::string address;
    const ItemRoute route = item_route(credential.app_key);
    if (route == ItemRoute::gateway) {
        if (endpoints.gateway_host.empty()) {
            return {};
        }
        address = item_request_url(item_id, credential, endpoints, options.clock->now());
    } else {
        const std::string& host =
            route == ItemRoute::proxy_1 ? endpoints.proxy_host_1 : endpoints.proxy_host_2;
        if (host.empty()) {
            return {};
        }
        address = "http://" + host +
                  (route == ItemRoute::proxy_1 ? "/item_get"
                                               : "/office/outUserDelegate/outService4getItem.run");
        request.method = "POST";
        request.post_data = proxy_request_body(item_id, credential.app_secret);
    }
    if (address.empty()) {
        return {};
    }
    return web_request(address, request);
}

}  // namespace quorvane
