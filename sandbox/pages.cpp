#include "sandbox/pages.h"

#include <algorithm>

#include "text/gbk_conversion.h"

namespace quorvane::sandbox {
namespace {

std::string item_link(const std::string& item_host, const Item& item) {
    return "http://" + item_host + "/item.htm?id=" + item.num_iid;
}

std::string attribute_text(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c == '"' ? std::string("&quot;") : std::string(1, c);
    }
    return out;
}

// One item in the shop's design, with the markup the crawler's patterns read.
std::string item_markup(PageDesign design, const Item& item, const std::string& item_host) {
    const std::string link = item_link(item_host, item);
    switch (design) {
        case PageDesign::plain:
            return "<dl class=\"item\"><dt class=\"photo\"><a href=\"" + link +
                   "\" target=\"_blank\"><img src=\"about:blank\"></a></dt>\n"
                   "<dd class=\"detail\"><a target=\"_blank\" href=\"" +
                   link + "&rn=8f3c\" class=\"permalink\" style=\"\">\n" + item.title +
                   "\n      </a>\n<div class=\"attribute\"><div class=\"cprice-area\">"
                   "<span class=\"symbol\"><s>&yen;</s><strong>" +
                   item.price + "</strong>\n</span></div></div></dd></dl>\n";
        case PageDesign::wangpu:
            return "<div class=\"item\"><a class=\"item-name\" href=\"" + link +
                   "\" target=\"_blank\">" + item.title + "</a>\n<span class=\"c-price\">" +
                   item.price + "</span></div>\n";
        case PageDesign::shop_street:
            return "<li><a title=\"" + attribute_text(item.title) + "\"  href=\"" + link +
                   "\" target=\"_blank\"><img src=\"about:blank\"></a>\n<strong>" + item.price +
                   utf8_to_gbk(" 元") + "</strong></li>\n";
        case PageDesign::new_tmall:
            return "<div class=\"product\"><a class=\"item-name\"\n   data-spm=\"d4919\" href=\"" +
                   link + "&skuId=1&areaId=330100\" target=\"_blank\">" + item.title +
                   "</a>\n<p><span class=\"c-price\">" + item.price + "</span></p></div>\n";
    }
    return {};
}

// The GBK escape of a text for XML: "&", "<" and ">" (titles already carry
// their entities and are written as they are).
std::string xml_text(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string element(const std::string& name, const std::string& text) {
    return "<" + name + ">" + text + "</" + name + ">";
}

std::string description(const Item& item, const std::string& host) {
    std::string html;
    const size_t images = item.desc_pictures.size() - item.background_pictures;
    for (size_t k = 0; k < images; ++k) {
        html += "<p><IMG src=\"http://" + host + item.desc_pictures[k].path +
                "\" align=\"absmiddle\"></p>\n";
    }
    html += utf8_to_gbk("<p>宝贝描述：面料舒适,做工精细") + " &nbsp;" +
            utf8_to_gbk("&ldquo;正品&rdquo;&hellip;&mdash;</p>\r\n");
    static const std::string filler =
        utf8_to_gbk("<p>详情：面料柔软透气，做工精细，尺码标准。</p>\n");
    while (html.size() < item.description_padding) {
        html += filler;
    }
    for (size_t k = images; k < item.desc_pictures.size(); ++k) {
        html += "<table background=\"http://" + host + item.desc_pictures[k].path + "\"><tr><td>" +
                utf8_to_gbk("规格") + "</td></tr></table>\n";
    }
    // As the open platform sends it: the HTML escaped once more, so that
    // "&nbsp;" arrives as "&amp;nbsp;" and quotes as "&quot;".
    std::string escaped;
    for (char c : html) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string wireless_description(const Item& item, const std::string& host) {
    std::string text = "&lt;wapDesc&gt;";
    for (const Picture& picture : item.wireless_pictures) {
        text += "&lt;img&gt;http://" + host + picture.path + "&lt;/img&gt;\r\n";
    }
    return text + "&lt;txt&gt;" + utf8_to_gbk("手机详情") + "&lt;/txt&gt;\n&lt;/wapDesc&gt;";
}

}  // namespace

std::string listing_page(const Catalogue& catalogue, const Shop& shop,
                         const std::vector<size_t>& items, int page, const std::string& item_host) {
    const int pages = catalogue.pages_of(items.size());
    const std::string page_info = std::to_string(page) + "/" + std::to_string(pages);
    std::string html = "<html><head><meta charset=\"gbk\"><title>" + utf8_to_gbk("店铺") +
                       std::to_string(shop.index + 1) + "</title></head><body>\n";
    html += utf8_to_gbk("<div class=\"search-result\">共搜索到<span>") +
            std::to_string(items.size()) + utf8_to_gbk("</span>个符合条件的商品。</div>\n");
    html += shop.page_info_span ? "<span class=\"page-info\">" + page_info + "</span>\n"
                                : "<b class=\"ui-page-s-len\">" + page_info + "</b>\n";
    // The hot box: the shop's first item, outside the region the crawler reads.
    if (!shop.items.empty()) {
        html += "<div class=\"hot\">" +
                item_markup(shop.design, catalogue.items[shop.items.front()], item_host) +
                "</div>\n";
    }
    html += utf8_to_gbk("<div class=\"filter\"><a>排序</a> <a>人气</a> <a>销量</a></div>\n");
    const size_t size = static_cast<size_t>(catalogue.size.page_size);
    const size_t first = static_cast<size_t>(std::max(page - 1, 0)) * size;
    for (size_t i = first; i < items.size() && i < first + size; ++i) {
        html += item_markup(shop.design, catalogue.items[items[i]], item_host);
    }
    html += utf8_to_gbk("<div class=\"pagination\">共") + std::to_string(pages) +
            utf8_to_gbk("页 到第<input value=\"1\">页</div>\n</body></html>\n");
    return html;
}

std::string item_page(const Item& item) {
    const std::string& id = item.num_iid;
    std::string marker;
    switch (item.id_marker) {
        case 0:
            marker = "var g_config = {\n  itemId:\"" + id + "\",\n  shopId:\"57301\"\n};\n";
            break;
        case 1:
            marker = "TShop.Setup({ itemId:'" + id + "', sellerId:'1' });\n";
            break;
        case 2:
            marker = "<input type=\"hidden\" name=\"item_id\" value=\"" + id + "\"/>\n";
            break;
        default:
            marker = "<input type=\"hidden\" id=\"J_itemId\" value='" + id + "'/>\n";
            break;
    }
    return std::string("<html><head><meta charset=\"gbk\">") +
           (item.title_with_blank ? "<title >" : "<title>") + item.title +
           utf8_to_gbk("-淘宝网</title></head>\n<body>\n") + "<script>\n" + marker +
           "</script>\n<div class=\"tb-detail-hd\"><h1>" + item.title + "</h1></div>\n" +
           "<em class=\"tb-rmb-num\">" + item.price + "</em>\n</body></html>\n";
}

std::string item_answer(const Item& item, const std::string& picture_host) {
    std::string xml = "<item_get_response><item>";
    for (const auto& [name, value] : item.fields) {
        xml += element(name, xml_text(value));
    }
    xml += element("title", item.title);
    xml += element("price", item.price);
    xml += element("num_iid", item.num_iid);
    xml += element("desc", description(item, picture_host));
    xml += element("wireless_desc", wireless_description(item, picture_host));
    xml += "<location>" + element("city", item.location.at("city")) +
           element("state", item.location.at("state")) + "</location>";
    if (!item.food_security.empty()) {
        xml += "<food_security>";
        for (const auto& [name, value] : item.food_security) {
            xml += element(name, xml_text(value));
        }
        xml += "</food_security>";
    }
    xml += "<item_imgs>";
    for (size_t k = 0; k < item.main_pictures.size(); ++k) {
        xml += "<item_img>" + element("id", std::to_string(k + 1)) +
               element("position", std::to_string(k)) +
               element("url", "http://" + picture_host + item.main_pictures[k].path) +
               "</item_img>";
    }
    xml += "</item_imgs><prop_imgs>";
    for (size_t k = 0; k < item.prop_pictures.size(); ++k) {
        xml += "<prop_img>" + element("id", std::to_string(k + 1)) +
               element("properties", item.prop_pictures[k].properties) +
               element("url", "http://" + picture_host + item.prop_pictures[k].picture.path) +
               "</prop_img>";
    }
    xml += "</prop_imgs><skus>";
    for (size_t k = 0; k < item.skus.size(); ++k) {
        const Sku& sku = item.skus[k];
        xml += "<sku>" + (sku.outer_id.empty() ? "" : element("outer_id", sku.outer_id)) +
               element("price", sku.price) + element("properties", sku.properties) +
               element("quantity", sku.quantity) + element("sku_id", std::to_string(k + 1)) +
               "</sku>";
    }
    xml += "</skus></item></item_get_response><!--sandbox-->";
    if (item.declared_utf8) {
        return "<?xml version=\"1.0\" encoding=\"utf-8\" ?>" + gbk_to_utf8(xml);
    }
    return "<?xml version=\"1.0\" encoding=\"gb2312\" ?>" + xml;
}

std::string error_answer(int code, const std::string& msg, const std::string& sub_msg) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\" ?><error_response>" +
           element("code", std::to_string(code)) + element("msg", msg) +
           (sub_msg.empty() ? "" : element("sub_msg", sub_msg)) + "</error_response>";
}

std::string category_address(const Category& category, const std::string& shop_host) {
    const std::string base = "http://" + shop_host;
    switch (category.form) {
        case CategoryForm::scid:
            return base + "/search.htm?search=y&scid=" + category.id + "&viewType=grid";
        case CategoryForm::cat_id:
            return base + "/search.htm?search=y&catId=" + category.id + "&viewType=grid";
        case CategoryForm::category_page:
            return base + "/category-" + category.id + ".htm?search=y&orderType=hotsell";
        case CategoryForm::whole_address:
            return base + "/search.htm?searcy_type=item&s_from=newHeader&categoryp=" + category.id;
    }
    return base;
}

}  // namespace quorvane::sandbox
