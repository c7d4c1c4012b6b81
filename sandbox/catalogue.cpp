#include "sandbox/catalogue.h"

#include <cstdio>
#include <random>

#include "text/gbk_conversion.h"

namespace quorvane::sandbox {
namespace {

// Words of titles, and the awkward pieces real titles carry.
const char* const words[] = {"连衣裙", "半身裙", "雪纺衫",   "牛仔裤", "羊毛衫", "风衣",
                             "运动鞋", "帆布包", "真丝围巾", "保温杯", "茶叶",   "蜂蜜"};
const char* const awkward[] = {"&amp;", "*", "|", "?", "/", ":", "%", "　", ",", "\"", "&amp;amp;"};
const char* const cities[][2] = {
    {"浙江", "杭州"}, {"广东", "广州"}, {"上海", "上海"}, {"福建", "泉州"}};

std::string money(int cents) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02d", cents / 100, cents % 100);
    return text;
}

}  // namespace

const char* design_name_utf8(PageDesign design) {
    switch (design) {
        case PageDesign::plain:
            return "普通";
        case PageDesign::wangpu:
            return "旺铺";
        case PageDesign::shop_street:
            return "店铺街";
        case PageDesign::new_tmall:
            return "新天猫";
    }
    return "";
}

const Item* Catalogue::find_item(const std::string& num_iid) const {
    for (const Item& item : items) {
        if (item.num_iid == num_iid) {
            return &item;
        }
    }
    return nullptr;
}

int Catalogue::pages_of(size_t item_count) const {
    const auto page = static_cast<size_t>(size.page_size > 0 ? size.page_size : 1);
    return static_cast<int>((item_count + page - 1) / page);
}

Catalogue make_catalogue(const CatalogueSize& size, uint32_t seed) {
    Catalogue catalogue;
    catalogue.size = size;
    catalogue.seed = seed;
    std::mt19937 random(seed);
    auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<uint32_t>(n)); };

    for (int s = 0; s < size.shops; ++s) {
        Shop shop;
        shop.index = static_cast<size_t>(s);
        shop.design = static_cast<PageDesign>(s % 4);
        shop.page_info_span = s % 2 == 0;
        for (int c = 0; c < 4; ++c) {
            Category category;
            category.id = std::to_string(100000 + s * 100 + c);
            category.form = static_cast<CategoryForm>(c);
            shop.categories.push_back(category);
        }
        for (int i = 0; i < size.items_per_shop; ++i) {
            const size_t n = catalogue.items.size();
            Item item;
            item.num_iid = std::to_string(4100000000ULL + seed % 1000 * 100000 + n * 7 + 3);
            item.shop = shop.index;
            const std::string id = item.num_iid;

            std::string title = std::string("2024新款") + words[pick(12)] +
                                awkward[n % (sizeof awkward / sizeof *awkward)] + words[pick(12)] +
                                " " + std::to_string(n + 1) + "号";
            item.title = utf8_to_gbk(title);
            const int cents = 990 + pick(50000);
            item.price = money(cents);

            const int sku_count = static_cast<int>(n % 4);  // 0 to 3
            for (int k = 0; k < sku_count; ++k) {
                item.skus.push_back({money(cents + k * 500), std::to_string(pick(200)),
                                     k == 0 ? "" : "SKU" + id + "-" + std::to_string(k),
                                     "1627207:" + std::to_string(28320 + k) + ";20509:28315"});
            }
            const bool uniform = size.uniform_description_bytes > 0;
            const int mains = uniform ? 4 : 1 + static_cast<int>(n % 5);
            for (int k = 0; k < mains; ++k) {
                item.main_pictures.push_back({"/bao/uploaded/taobao/i" + std::to_string(k + 1) +
                                                  "/" + id + "_m" + std::to_string(k) + ".jpg",
                                              PictureFormat::jpeg, PictureState::ok});
            }
            for (int k = 0; k < (uniform ? 0 : sku_count); ++k) {
                item.prop_pictures.push_back(
                    {"1627207:" + std::to_string(28320 + k),
                     {"/bao/uploaded/taobao/p/" + id + "_p" + std::to_string(k) + ".png",
                      PictureFormat::png, PictureState::ok}});
            }
            // Description pictures: mostly on the picture space, some
            // outside it, one in seven missing and one in eleven empty.
            const int descs = uniform ? 2 : 2 + static_cast<int>(n % 3);
            for (int k = 0; k < descs; ++k) {
                const size_t serial = n * 5 + static_cast<size_t>(k);
                Picture picture;
                picture.state = uniform            ? PictureState::ok
                                : serial % 7 == 3  ? PictureState::missing
                                : serial % 11 == 5 ? PictureState::empty
                                                   : PictureState::ok;
                const char* state_dir = picture.state == PictureState::missing ? "missing/"
                                        : picture.state == PictureState::empty ? "empty/"
                                                                               : "";
                picture.format = k % 3 == 2 ? PictureFormat::gif : PictureFormat::jpeg;
                const char* extension = picture.format == PictureFormat::gif ? ".gif" : ".jpg";
                picture.path = (serial % 4 == 1 && !uniform ? std::string("/img/outside/")
                                                            : std::string("/imgextra/taobao/i2/")) +
                               state_dir + id + "_d" + std::to_string(k) + extension;
                item.desc_pictures.push_back(picture);
            }
            item.desc_pictures.push_back(
                {"/imgextra/taobao/bg/" + id + "_bg.png", PictureFormat::png, PictureState::ok});
            item.background_pictures = 1;
            item.wireless_pictures.push_back(
                {"/imgextra/taobao/w/" + id + "_w0.jpg", PictureFormat::jpeg, PictureState::ok});

            const auto& city = cities[n % 4];
            item.location = {{"state", utf8_to_gbk(city[0])}, {"city", utf8_to_gbk(city[1])}};
            if (n % 3 == 0) {
                for (const char* key :
                     {"contact", "design_code", "factory", "factory_site", "food_additive", "mix",
                      "period", "plan_storage", "prd_license_no", "product_date_end",
                      "product_date_start", "stock_date_end", "stock_date_start", "supplier"}) {
                    item.food_security[key] = utf8_to_gbk(std::string("食品") + key + ",说明");
                }
            }
            item.fields = {
                {"cid", std::to_string(50010850 + pick(9))},
                {"seller_cids", "," + shop.categories[n % 4].id + ","},
                {"num", std::to_string(10 + pick(990))},
                {"features", n % 2 ? "mall_v:1" : ""},
                {"item_size", "bulk:0.00" + std::to_string(1 + pick(9))},
                {"item_weight", std::to_string(1 + pick(5)) + ".0"},
                {"valid_thru", n % 2 ? "14" : "7"},
                {"freight_payer", n % 3 == 0   ? "seller"
                                  : n % 3 == 1 ? "buyer"
                                               : ""},
                {"ems_fee", "20.00"},
                {"express_fee", "10.00"},
                {"post_fee", "8.00"},
                {"list_time", "2024-03-0" + std::to_string(1 + n % 9) + " 10:00:00"},
                {"modified", "2024-03-1" + std::to_string(n % 9) + " 11:22:33"},
                {"props", "20000:3275069;1627207:28320;1627207:28321"},
                {"approve_status", n % 5 == 4 ? "instock" : "onsale"},
                {"has_warranty", n % 2 ? "true" : "false"},
                {"has_discount", "false"},
                {"has_invoice", "true"},
                {"has_showcase", "false"},
                {"input_pids", "20000"},
                {"input_str", utf8_to_gbk("品牌" + std::to_string(n % 7))},
                {"outer_id", "OUT" + id},
                {"property_alias", utf8_to_gbk("1627207:28320:深红")},
                {"delist_time", "2024-04-01 10:00:00"},
                {"postage_id", "0"},
            };
            item.description_padding = static_cast<size_t>(size.uniform_description_bytes);
            item.declared_utf8 = n % 2 == 0;
            item.id_marker = static_cast<int>(n % 4);
            item.title_with_blank = n % 5 == 2;

            shop.items.push_back(n);
            shop.categories[n % 4].items.push_back(n);
            catalogue.items.push_back(std::move(item));
        }
        catalogue.shops.push_back(std::move(shop));
    }
    return catalogue;
}

}  // namespace quorvane::sandbox
