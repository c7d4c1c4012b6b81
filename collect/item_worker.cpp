#include "collect/item_worker.h"

#include "collect/field_transforms.h"
#include "collect/picture_download.h"
#include "marketplace/item_fetch.h"
#include "text/gbk_conversion.h"

namespace quorvane {

ItemWorker::ItemWorker(int thread_number, WorkerContext context)
    : thread_number_(thread_number), context_(std::move(context)) {}

const ApiCredential& ItemWorker::next_credential() {
    const int pairs = static_cast<int>(context_.credentials->size());
    if (credential_cursor_ == pairs) {
        credential_cursor_ = 0;
    }
    ++credential_cursor_;
    return (*context_.credentials)[static_cast<size_t>(credential_cursor_ - 1)];
}

void ItemWorker::fetch_into_document(const std::string& num_iid, const ApiCredential& credential) {
    FetchOptions options;
    options.clock = context_.clock;
    options.cancel = context_.cancel;
    options.deadline = context_.deadline;
    document_.load(fetch_item_answer(num_iid, credential, *context_.endpoints, options));
}

void ItemWorker::log(const std::string& body) const {
    if (context_.log != nullptr) {
        context_.log->add(body);
    }
}

ItemRecord ItemWorker::collect(int row_number, int run_total, const std::string& num_iid,
                               const std::string& listed_title,
                               const LiveOptions::Snapshot& options, const OutputPath& output) {
    const std::string n = gbk("线程：") + std::to_string(thread_number_);
    const std::string k = std::to_string(row_number);
    const std::string t = std::to_string(run_total);
    ItemRecord item;
    const ApiCredential* credential = &next_credential();
    log(n + gbk("  开始下载 第：") + k + "/" + t + gbk(" 个宝贝:") + listed_title + "\r\n");
    if (!context_.checkpoint()) {
        return item;
    }
    fetch_into_document(num_iid, *credential);
    const int pairs = static_cast<int>(context_.credentials->size());
    int retry_count = 0;
    while (!document_.get_text("@1/msg").empty()) {
        if (!context_.checkpoint()) {
            return item;
        }
        credential = &next_credential();
        ++retry_count;
        fetch_into_document(num_iid, *credential);
        log(n + gbk("  第") + k + gbk("个宝贝下载失败！正在重试！") + "\r\n");
        if (retry_count == pairs) {
            credential_cursor_ = 0;
            log(n + gbk("  第") + k +
                gbk("个宝贝下载失败！####################请联系工具开始页下方的在线客服！") +
                "\r\n");
            break;
        }
    }
    if (!context_.checkpoint()) {
        return item;
    }

    log(n + gbk("  开始获取 第：") + k + "/" + t + gbk(" 个宝贝   基本信息！") + "\r\n");
    const std::string base = "item_get_response/item/";
    auto text = [&](const std::string& path) { return document_.get_text(base + path); };
    const ItemOptions& o = options.item;
    item.num_iid = num_iid;
    item.title = apply_replacements(clean_title(text("title")), o);
    item.cid = text("cid");
    item.seller_cids = text("seller_cids");
    item.location_state = text("location/state");
    item.location_city = text("location/city");
    item.price = text("price");
    item.num = text("num");
    item.features = text("features");
    item.item_size = text("item_size");
    item.item_weight = text("item_weight");
    std::array<std::string, 14> food;
    for (size_t i = 0; i < food.size(); ++i) {
        food[i] = text(std::string("food_security/") + food_security_keys[i]);
    }
    item.food_security = food_security_text(food);
    item.valid_thru = text("valid_thru");
    item.freight_payer = freight_payer_code(text("freight_payer"), o.layout_4x_selected);
    item.ems_fee = text("ems_fee");
    item.express_fee = text("express_fee");
    item.post_fee = text("post_fee");
    item.list_time = text("list_time");
    item.props = props_text(text("props"));
    item.modified = text("modified");
    item.approve_status = approve_status_code(text("approve_status"));
    item.has_warranty = warranty_code(text("has_warranty"));
    int found = 0;
    const int sku_count = document_.child_count(base + "skus", found);
    std::vector<SkuValues> skus;
    for (int i = 1; i <= sku_count; ++i) {
        const std::string sku = "skus/@" + std::to_string(i) + "/";
        skus.push_back({text(sku + "price"), text(sku + "quantity"), text(sku + "outer_id"),
                        text(sku + "properties")});
    }
    item.skus = sku_text(skus, o);
    item.price = adjusted_price(item.price, o);
    item.input_pids = text("input_pids");
    item.input_str = text("input_str");
    item.outer_id = text("outer_id");
    item.property_alias = property_alias_text(text("property_alias"));
    log(n + gbk("  获取成功 第：") + k + "/" + t + gbk(" 个宝贝   基本信息！") + "\r\n");

    log(n + gbk("  开始获取 第：") + k + "/" + t + gbk("  个宝贝   描述信息！") + "\r\n");
    item.desc = apply_replacements(clean_description(text("desc")), o);
    item.wireless_desc = apply_replacements(clean_wireless_description(text("wireless_desc")), o);
    log(n + gbk("  成功获取 第：") + k + "/" + t + gbk("  个宝贝   描述信息！") + "\r\n");
    if (!context_.checkpoint()) {
        return ItemRecord{};
    }

    PictureJob job;
    job.picture_mode = options.applied.picture_mode;
    job.failure_policy = options.applied.failure_policy;
    job.package_layout = options.applied.package_layout;
    job.layout_4x_selected = o.layout_4x_selected;
    job.picture_folder = output.folder + output.base_name;
    job.thread_number = thread_number_;
    job.row_number = row_number;
    job.run_total = run_total;
    job.log = context_.log;
    job.cancel = context_.cancel;
    job.clock = context_.clock;
    job.deadline = context_.deadline;
    download_description_pictures(item, search_, job);
    if (!context_.checkpoint()) {
        return ItemRecord{};
    }
    download_item_pictures(item, document_, job);
    if (!context_.checkpoint()) {
        return ItemRecord{};
    }
    return item;
}

}  // namespace quorvane
