// libFuzzer target: any bytes as an answer, then the collection's queries.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "xml/xml_document.h"

namespace {

const char* const item_fields[] = {"title",
                                   "cid",
                                   "seller_cids",
                                   "price",
                                   "num",
                                   "features",
                                   "item_size",
                                   "item_weight",
                                   "valid_thru",
                                   "freight_payer",
                                   "ems_fee",
                                   "express_fee",
                                   "post_fee",
                                   "list_time",
                                   "props",
                                   "modified",
                                   "approve_status",
                                   "has_warranty",
                                   "input_pids",
                                   "input_str",
                                   "outer_id",
                                   "property_alias",
                                   "desc",
                                   "wireless_desc",
                                   "location/state",
                                   "location/city",
                                   "food_security/supplier"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    quorvane::XmlDocument doc;
    doc.load(bytes);
    size_t total = doc.get_text("@1/msg").size();
    const std::string item = "item_get_response/item/";
    for (const char* field : item_fields) {
        total += doc.get_text(item + field).size();
    }
    int found = 0;
    for (const char* list : {"skus", "item_imgs", "prop_imgs"}) {
        const int32_t count = doc.child_count(item + list, found);
        for (int32_t i = 1; i <= count && i <= 64; ++i) {
            total += doc.get_text(item + list + "/@" + std::to_string(i) + "/url").size();
            total += doc.get_text(item + list + "/@" + std::to_string(i) + "/price").size();
        }
    }
    // The writer and the position paths must hold up on whatever loaded.
    const quorvane::XmlTree tree = doc.get_tree();
    const std::string text = tree.to_text();
    for (int32_t i = 1; i <= tree.node_slot_count() && i <= 256; ++i) {
        const std::string path = tree.node_path(i);
        if (!path.empty() && tree.find_index(path) != i) {
            __builtin_trap();
        }
    }
    // A second reader over the same bytes, quote-aware this time.
    quorvane::XmlDocument quoted;
    quoted.load(bytes, 0, 1);
    return static_cast<int>(total + text.size()) == -1;
}
