#pragma once

#include <string>

namespace quorvane {

// One collected item, its fields rewritten for the data package (GBK).
struct ItemRecord {
    std::string num_iid;
    std::string title;
    std::string cid;
    std::string seller_cids;
    std::string location_state;
    std::string location_city;
    std::string price;
    std::string num;
    std::string features;
    std::string item_size;
    std::string item_weight;
    std::string food_security;
    std::string valid_thru;
    std::string freight_payer;
    std::string ems_fee;
    std::string express_fee;
    std::string post_fee;
    std::string list_time;
    std::string props;
    std::string modified;
    std::string approve_status;
    std::string has_warranty;
    std::string skus;
    std::string input_pids;
    std::string input_str;
    std::string outer_id;
    std::string property_alias;
    std::string desc;
    std::string wireless_desc;
    std::string picture_list;
};

}  // namespace quorvane
