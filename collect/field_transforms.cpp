#include "collect/field_transforms.h"

#include <algorithm>

#include "text/gbk_conversion.h"
#include "text/gbk_search.h"
#include "text/number_text.h"

namespace quorvane {
namespace {

std::string replace_in_order(
    std::string text, std::initializer_list<std::pair<std::string_view, std::string_view>> rules) {
    for (const auto& [search, replacement] : rules) {
        text = replace_all(text, search, replacement);
    }
    return text;
}

// The decimals box as a whole number of places, or -1 when it is empty or
// not a whole number (then nothing is rounded).
int decimal_places(std::string_view box) {
    const std::string_view text = trim(box);
    if (text.empty() || text.size() > 2 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return -1;
    }
    return std::min(std::stoi(std::string(text)), 12);
}

std::string percent_of(std::string_view value, const ItemOptions& options) {
    const double result = text_to_number(value) * text_to_number(options.price_percent) / 100;
    const int places = decimal_places(options.price_decimals);
    return places < 0 ? number_text(result) : rounded_number_text(result, places);
}

std::string description_rules(std::string_view desc) {
    static const std::string comma = gbk("，"), left = gbk("“"), right = gbk("”"),
                             ellipsis = gbk("…"), dash = gbk("—");
    return replace_in_order(std::string(desc), {{"&quot;", "\"\""},
                                                {",", comma},
                                                {"&lt;", "<"},
                                                {"&gt;", ">"},
                                                {"&amp;nbsp;", " "},
                                                {"&amp;ldquo;", left},
                                                {"&amp;rdquo;", right},
                                                {"&amp;hellip;", ellipsis},
                                                {"&amp;mdash;", dash}});
}

}  // namespace

std::string clean_title(std::string_view title) {
    return replace_in_order(std::string(title), {{"&amp;", " "},
                                                 {"amp;", ""},
                                                 {"&apos;", "'"},
                                                 {"*", " "},
                                                 {"|", " "},
                                                 {"<", " "},
                                                 {">", " "},
                                                 {"?", " "}});
}

std::string clean_description(std::string_view desc) {
    return replace_all(description_rules(desc), "\n", "");
}

std::string clean_wireless_description(std::string_view desc) {
    return replace_all(description_rules(desc), "\r\n", "");
}

std::string apply_replacements(std::string_view text, const ItemOptions& options) {
    std::string out(text);
    for (size_t i = 0; i < 3; ++i) {
        out = replace_all(out, options.replace_from[i], options.replace_to[i]);
    }
    return out;
}

std::string food_security_text(const std::array<std::string, 14>& values) {
    std::string text;
    for (size_t i = 0; i < values.size(); ++i) {
        text += (i == 0 ? "" : ";") + std::string(food_security_keys[i]) + ":" + values[i];
    }
    text += ";";
    return replace_all(text, ",", gbk("，"));
}

std::string freight_payer_code(std::string_view value, bool layout_4x_selected) {
    if (value == "seller") {
        return layout_4x_selected ? "2" : "1";
    }
    if (value == "buyer") {
        return layout_4x_selected ? "1" : "2";
    }
    if (value.empty()) {
        return "0";
    }
    return std::string(value);
}

std::string props_text(std::string_view value) {
    // Unchanged only when its last ";" is its first character.
    if (find_last_text(value, ";") == 0) {
        return std::string(value);
    }
    return std::string(value) + ";";
}

std::string approve_status_code(std::string_view value) {
    if (value.empty()) {
        return "100";
    }
    return value == "onsale" ? "200" : std::string(value);
}

std::string warranty_code(std::string_view value) { return value == "true" ? "1" : "0"; }

std::string property_alias_text(std::string_view value) { return std::string(value) + ";"; }

std::string adjusted_price(std::string_view price, const ItemOptions& options) {
    return options.price_adjust ? percent_of(price, options) : std::string(price);
}

std::string sku_text(const std::vector<SkuValues>& skus, const ItemOptions& options) {
    // Visited from the last to the first, each put in front.
    std::string text;
    for (size_t i = skus.size(); i > 0; --i) {
        const SkuValues& sku = skus[i - 1];
        const std::string price = options.price_adjust ? percent_of(sku.price, options) : sku.price;
        const std::string quantity = options.stock_uniform ? options.stock_value : sku.quantity;
        text = std::string(
            trim(price + ":" + quantity + ":" + sku.outer_id + ":" + sku.properties + ";" + text));
    }
    return text + ";";
}

std::string rounded_number_text(double value, int decimals) {
    const std::string shortest = number_text(value);
    if (shortest.find_first_of("eEin") != std::string::npos) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
        return buffer;
    }
    const bool negative = shortest[0] == '-';
    const std::string digits = negative ? shortest.substr(1) : shortest;
    const size_t point = digits.find('.');
    std::string whole = digits.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : digits.substr(point + 1);
    const bool round_up = fraction.size() > static_cast<size_t>(decimals) &&
                          fraction[static_cast<size_t>(decimals)] >= '5';
    fraction.resize(static_cast<size_t>(decimals), '0');
    std::string kept = whole + fraction;
    if (round_up) {
        size_t i = kept.size();
        while (i > 0 && kept[i - 1] == '9') {
            kept[--i] = '0';
        }
        if (i == 0) {
            kept.insert(kept.begin(), '1');
        } else {
            ++kept[i - 1];
        }
    }
    whole = kept.substr(0, kept.size() - static_cast<size_t>(decimals));
    fraction = kept.substr(kept.size() - static_cast<size_t>(decimals));
    std::string text = whole + (decimals > 0 ? "." + fraction : "");
    const bool zero = std::all_of(kept.begin(), kept.end(), [](char c) { return c == '0'; });
    return negative && !zero ? "-" + text : text;
}

}  // namespace quorvane
