#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

// How answer values become data-package fields. Values arrive as the XML
// document gives them (entities undecoded, GBK).
namespace quorvane {

// The options read from the configuration page when an item is processed.
struct ItemOptions {
    bool price_adjust = false;
    std::string price_percent = "100";
    std::string price_decimals;  // a whole number rounds adjusted prices; else no rounding
    bool stock_uniform = false;
    std::string stock_value = "100";
    bool layout_4x_selected = false;  // the page's radio button, not the saved layout
    std::array<std::string, 3> replace_from;
    std::array<std::string, 3> replace_to;
};

std::string clean_title(std::string_view title);
std::string clean_description(std::string_view desc);           // loses every LF
std::string clean_wireless_description(std::string_view desc);  // loses CR LF pairs only

// The three find/replace pairs in order; an empty find text does nothing.
std::string apply_replacements(std::string_view text, const ItemOptions& options);

// The fourteen food-safety values in their fixed order, joined with labels.
constexpr std::array<const char*, 14> food_security_keys = {"contact",
                                                            "design_code",
                                                            "factory",
                                                            "factory_site",
                                                            "food_additive",
                                                            "mix",
                                                            "period",
                                                            "plan_storage",
                                                            "prd_license_no",
                                                            "product_date_end",
                                                            "product_date_start",
                                                            "stock_date_end",
                                                            "stock_date_start",
                                                            "supplier"};
std::string food_security_text(const std::array<std::string, 14>& values);

std::string freight_payer_code(std::string_view value, bool layout_4x_selected);
std::string props_text(std::string_view value);
std::string approve_status_code(std::string_view value);
std::string warranty_code(std::string_view value);
std::string property_alias_text(std::string_view value);

// number(price) x number(percent) / 100, rounded when the decimals box holds
// a whole number; the price unchanged when adjustment is off.
std::string adjusted_price(std::string_view price, const ItemOptions& options);

struct SkuValues {
    std::string price;
    std::string quantity;
    std::string outer_id;
    std::string properties;
};

// "price:quantity:outer_id:properties;" per SKU in answer order, then ";".
std::string sku_text(const std::vector<SkuValues>& skus, const ItemOptions& options);

// `value` rounded half away from zero to `decimals` places, written with
// exactly that many; the rounding works on the decimal text.
std::string rounded_number_text(double value, int decimals);

}  // namespace quorvane
