#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "marketplace/api_credential.h"
#include "marketplace/marketplace_endpoints.h"
#include "net/cancel_token.h"
#include "text/time_text.h"

// One item's full data as the raw bytes of an XML answer, from the gateway
// or one of the two proxies, chosen by the credential's key.
namespace quorvane {

// The fields asked of the gateway, repeated names and trailing blank included.
constexpr std::string_view item_field_list =
    "prop_img.url,prop_img.properties,item_img.url,desc,title,cid,price,num,post_fee,input_str,"
    "input_pids,seller_cids,props,input_pids,input_str,property_alias,sku,outer_id,"
    "approve_status,has_discount,has_invoice,has_warranty,has_showcase,valid_thru,list_time,"
    "modified,delist_time,postage_id,location,freight_payer,post_fee,express_fee,ems_fee,"
    "has_warranty,item_weight,item_size,features,food_security,wireless_desc ";

enum class ItemRoute { gateway, proxy_1, proxy_2 };

// Keys ending in "99" go to the first proxy, then "88" to the second, any
// other to the gateway (the whole key when it is shorter than two).
ItemRoute item_route(std::string_view app_key);

// "_id=" + item id + "&m=" + lower-case MD5(item id + secret).
std::string proxy_request_body(std::string_view item_id, std::string_view app_secret);

// The gateway address of taobao.item.get for the item, signed at `now`.
std::string item_request_url(std::string_view item_id, const ApiCredential& credential,
                             const MarketplaceEndpoints& endpoints, const LocalTime& now);

struct FetchOptions {
    const Clock* clock = &system_clock();
    const CancelToken* cancel = nullptr;
    std::chrono::milliseconds deadline{0};  // 0: the transport's 90 seconds
};

// Exactly one request; the body as the transport returns it, empty on any
// failure (an empty host for the route included).
std::string fetch_item_answer(std::string_view item_id, const ApiCredential& credential,
                              const MarketplaceEndpoints& endpoints,
                              const FetchOptions& options = {});

}  // namespace quorvane
