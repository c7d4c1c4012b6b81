#include "collect/data_package.h"

#include <vector>

#include "text/file_bytes.h"
#include "text/gbk_conversion.h"

namespace quorvane {
namespace {

struct Column {
    enum class Source { field, constant } source;
    const std::string ItemRecord::*field;
    const char* constant;
    bool quoted;
};

Column field(const std::string ItemRecord::*member, bool quoted) {
    return {Column::Source::field, member, nullptr, quoted};
}
Column fixed(const char* value, bool quoted = false) {
    return {Column::Source::constant, nullptr, value, quoted};
}

const std::vector<Column>& columns_5x() {
    using R = ItemRecord;
    static const std::vector<Column> columns = {
        field(&R::title, true),
        field(&R::cid, false),
        field(&R::seller_cids, true),
        fixed("1"),
        field(&R::location_state, true),
        field(&R::location_city, true),
        fixed("1"),
        field(&R::price, false),
        fixed("0"),
        field(&R::num, false),
        field(&R::valid_thru, false),
        field(&R::freight_payer, false),
        field(&R::post_fee, false),
        field(&R::ems_fee, false),
        field(&R::express_fee, false),
        fixed("0"),
        field(&R::has_warranty, false),
        fixed("1"),
        fixed("0"),
        field(&R::list_time, true),
        field(&R::desc, true),
        field(&R::props, true),
        fixed("0"),
        fixed("0"),
        field(&R::modified, true),
        field(&R::approve_status, false),
        fixed(""),
        fixed("0"),
        field(&R::picture_list, true),
        fixed("", true),
        field(&R::skus, true),
        field(&R::input_pids, true),
        field(&R::input_str, true),
        field(&R::outer_id, true),
        field(&R::property_alias, true),
        fixed("0"),
        field(&R::num_iid, false),
        fixed("0"),
        fixed("2"),
        fixed(""),
        fixed("1"),
        fixed("0"),
        fixed("0"),
        field(&R::food_security, false),
        field(&R::features, true),
        field(&R::item_size, false),
        field(&R::item_weight, false),
        field(&R::wireless_desc, true),
    };
    return columns;
}

const char* const english_5x[] = {"title",
                                  "cid",
                                  "seller_cids",
                                  "stuff_status",
                                  "location_state",
                                  "location_city",
                                  "item_type",
                                  "price",
                                  "auction_increment",
                                  "num",
                                  "valid_thru",
                                  "freight_payer",
                                  "post_fee",
                                  "ems_fee",
                                  "express_fee",
                                  "has_invoice",
                                  "has_warranty",
                                  "approve_status",
                                  "has_showcase",
                                  "list_time",
                                  "description",
                                  "cateProps",
                                  "postage_id",
                                  "has_discount",
                                  "modified",
                                  "upload_fail_msg",
                                  "picture_status",
                                  "auction_point",
                                  "picture",
                                  "video",
                                  "skuProps",
                                  "inputPids",
                                  "inputValues",
                                  "outer_id",
                                  "propAlias",
                                  "auto_fill",
                                  "num_id",
                                  "local_cid",
                                  "navigation_type",
                                  "user_name",
                                  "syncStatus",
                                  "is_lighting_consigment",
                                  "is_xinpin",
                                  "foodparame",
                                  "features",
                                  "item_size",
                                  "item_weight",
                                  "wireless_desc"};

const char* const chinese_5x[] = {"宝贝名称",     "宝贝类目",     "店铺类目",
                                  "新旧程度",     "省",           "城市",
                                  "出售方式",     "宝贝价格",     "加价幅度",
                                  "宝贝数量",     "有效期",       "运费承担",
                                  "平邮",         "EMS",          "快递",
                                  "发票",         "保修",         "放入仓库",
                                  "橱窗推荐",     "开始时间",     "宝贝描述",
                                  "宝贝属性",     "邮费模版ID",   "会员打折",
                                  "修改时间",     "上传状态",     "图片状态",
                                  "返点比例",     "新图片",       "视频",
                                  "销售属性组合", "用户输入ID串", "用户输入名-值对",
                                  "商家编码",     "销售属性别名", "代充类型",
                                  "数字ID",       "本地ID",       "宝贝分类",
                                  "账户名称",     "宝贝状态",     "闪电发货",
                                  "新品",         "食品专项",     "尺码库",
                                  "物流体积",     "物流重量",     "无线详情"};

constexpr const char* header_4x =
    "宝贝名称,宝贝类目,店铺类目,新旧程度,省,城市,出售方式,宝贝价格,加价幅度,宝贝数量,有效期,"
    "运费承担,平邮,EMS,快递,付款方式,支付宝,发票,保修,自动重发,放入仓库,橱窗推荐,开始时间,"
    "心情故事,宝贝描述,宝贝图片,宝贝属性,团购价,最小团购件数,邮费模版ID,会员打折,修改时间,"
    "上传状态,图片状态,返点比例,新图片,视频,销售属性组合,用户输入ID串,用户输入名-值对,商家编码,"
    "销售属性别名,代充类型,宝贝编号,数字ID,宝贝链接 ";

// CSV escaping that keeps ordinary rows as the layout writes them. The
// descriptions already hold each "&quot;" as two double quotes, the escaped
// form of one; a lone quote there, and every quote elsewhere, is doubled.
std::string escaped(std::string_view content, bool description) {
    std::string out;
    for (size_t i = 0; i < content.size(); ++i) {
        if (content[i] != '"') {
            out += content[i];
        } else if (description && i + 1 < content.size() && content[i + 1] == '"') {
            out += "\"\"";
            ++i;
        } else {
            out += "\"\"";
        }
    }
    return out;
}

void append_column(std::string& row, bool first, std::string_view content, bool quoted,
                   bool description = false) {
    if (!first) {
        row += ',';
    }
    // A bare column that holds a separator, a quote or a line break is
    // quoted too, so every row reads back with its 46 or 48 fields.
    if (quoted || content.find_first_of(",\"\r\n") != std::string_view::npos) {
        row += '"';
        row += escaped(content, description);
        row += '"';
    } else {
        row += content;
    }
}

std::string row_4x(const ItemRecord& item, const std::string& mall_host) {
    const struct {
        std::string content;
        bool quoted;
        bool description = false;
    } columns[] = {
        {item.title, true},
        {item.cid, false},
        {item.seller_cids, true},
        {"0", false},
        {item.location_state, true},
        {item.location_city, true},
        {"1", true},
        {item.price, false},
        {"0", false},
        {item.num, false},
        {item.valid_thru, false},
        {item.freight_payer, false},
        {item.post_fee, false},
        {item.ems_fee, false},
        {item.express_fee, false},
        {"", false},
        {"", false},
        {"0", false},
        {item.has_warranty, false},
        {"1", false},
        {"0", false},
        {"1", false},
        {item.list_time, true},
        {"", false},
        {item.desc, true, true},
        {"", false},
        {item.props, true},
        {"", false},
        {"", false},
        {"0", false},
        {"0", false},
        {item.modified, true},
        {item.approve_status, false},
        {"", false},
        {"0", false},
        {item.picture_list, true},
        {"", true},
        {item.skus, true},
        {item.input_pids, true},
        {item.input_str, true},
        {item.outer_id, true},
        {item.property_alias + ";", true},
        {"0", false},
        {item.num_iid, true},
        {item.num_iid, false},
        {"http://" + mall_host + "/item.htm?id=" + item.num_iid + "&", true},
    };
    std::string row;
    bool first = true;
    for (const auto& column : columns) {
        append_column(row, first, column.content, column.quoted, column.description);
        first = false;
    }
    return row + "\r\n";
}

std::string row_5x(const ItemRecord& item) {
    std::string row;
    bool first = true;
    for (const Column& column : columns_5x()) {
        const std::string_view content = column.source == Column::Source::field
                                             ? std::string_view(item.*(column.field))
                                             : std::string_view(column.constant);
        const bool description =
            column.field == &ItemRecord::desc || column.field == &ItemRecord::wireless_desc;
        append_column(row, first, content, column.quoted, description);
        first = false;
    }
    return row + "\r\n";
}

}  // namespace

std::string package_header(int layout) {
    if (layout == 4) {
        return gbk(header_4x) + "\r\n";
    }
    std::string header = "version 1.00" + std::string(47, ',') + "\r\n";
    for (size_t i = 0; i < 48; ++i) {
        header += (i ? "," : "") + std::string(english_5x[i]);
    }
    header += "\r\n";
    std::string chinese;
    for (size_t i = 0; i < 48; ++i) {
        chinese += (i ? "," : "") + std::string(chinese_5x[i]);
    }
    return header + gbk(chinese) + "\r\n";
}

std::string package_row(const ItemRecord& item, int layout,
                        const std::string& mall_item_page_host) {
    if (layout == 4) {
        return row_4x(item, mall_item_page_host);
    }
    return layout == 5 ? row_5x(item) : std::string();
}

void DataPackage::reset() {
    std::lock_guard lock(mutex_);
    rows_.clear();
    row_count_ = 0;
    closed_ = false;
}

bool DataPackage::append(const ItemRecord& item, int layout,
                         const std::string& mall_item_page_host) {
    const std::string row =
        package_row(item, layout, mall_item_page_host);  // built outside the lock
    if (row.empty()) {
        return false;
    }
    std::lock_guard lock(mutex_);
    if (closed_) {
        return false;
    }
    rows_ += row;
    ++row_count_;
    return true;
}

std::string DataPackage::take_file_text(int layout) {
    std::string rows;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        rows = rows_;
    }
    return package_header(layout) + rows;
}

size_t DataPackage::row_count() const {
    std::lock_guard lock(mutex_);
    return row_count_;
}

bool write_package_file(const std::string& bytes, const std::filesystem::path& file) {
    return replace_file_bytes(file, bytes);
}

}  // namespace quorvane
