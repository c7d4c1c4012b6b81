#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "sandbox/picture_bytes.h"

// The simulated marketplace's content: shops, categories and items, made
// deterministically from a seed and a few sizes. Texts are GBK, as the
// marketplace serves them; answer texts are written as they stand in the
// XML (entities such as "&amp;" included).
namespace quorvane::sandbox {

enum class PageDesign { plain, wangpu, shop_street, new_tmall };  // 普通, 旺铺, 店铺街, 新天猫
enum class CategoryForm { scid, cat_id, category_page, whole_address };
enum class PictureState { ok, missing, empty };

struct Picture {
    std::string path;  // on the sandbox's main host; "/imgextra/taobao/..." or "/img/outside/..."
    PictureFormat format = PictureFormat::jpeg;
    PictureState state = PictureState::ok;
    bool on_taobao_space() const { return path.find("taobao") != std::string::npos; }
};

struct Sku {
    std::string price;
    std::string quantity;
    std::string outer_id;
    std::string properties;
};

struct PropPicture {
    std::string properties;
    Picture picture;
};

struct Item {
    std::string num_iid;
    size_t shop = 0;
    std::string title;  // GBK, XML text as the answer carries it
    std::string price;
    std::map<std::string, std::string> fields;  // every other scalar field, XML text
    std::map<std::string, std::string> location;
    std::map<std::string, std::string> food_security;  // empty: no food-safety data
    std::vector<Sku> skus;
    std::vector<Picture> main_pictures;
    std::vector<PropPicture> prop_pictures;
    std::vector<Picture> desc_pictures;      // <IMG src> tags, then background attributes
    std::vector<Picture> wireless_pictures;  // <img>...</img>
    size_t background_pictures = 0;          // the last ones of desc_pictures
    size_t description_padding = 0;          // bytes of text the description is filled to
    bool declared_utf8 = true;
    int id_marker = 0;  // which of the four id markers the item page uses
    bool title_with_blank = false;
};

struct Category {
    std::string id;
    CategoryForm form = CategoryForm::scid;
    std::vector<size_t> items;  // indices into Catalogue::items
};

struct Shop {
    size_t index = 0;
    PageDesign design = PageDesign::plain;
    bool page_info_span = true;  // "page-info" span, else the "ui-page-s-len" form
    std::vector<size_t> items;
    std::vector<Category> categories;
};

struct CatalogueSize {
    int shops = 4;
    int items_per_shop = 30;
    int page_size = 12;  // items per listing page
    // For benchmarks: every item with 4 main pictures, 2 description
    // pictures, a background and a wireless picture (8 in all, none failing),
    // and descriptions padded to about this many bytes. 0 keeps the varied
    // catalogue.
    int uniform_description_bytes = 0;
};

struct Catalogue {
    CatalogueSize size;
    uint32_t seed = 0;
    std::vector<Shop> shops;
    std::vector<Item> items;

    const Item* find_item(const std::string& num_iid) const;
    int pages_of(size_t item_count) const;
};

Catalogue make_catalogue(const CatalogueSize& size, uint32_t seed);

const char* design_name_utf8(PageDesign design);

}  // namespace quorvane::sandbox
