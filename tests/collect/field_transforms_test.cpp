#include "collect/field_transforms.h"

#include <gtest/gtest.h>

#include <ostream>

#include "support/gbk_literal.h"

namespace quorvane {
namespace {

using testing::operator""_gbk;

TEST(FieldTransforms, TitleCleaningInTableOrder) {
    EXPECT_EQ(clean_title("A&amp;amp;B*C?"), "A B C ");
    EXPECT_EQ(clean_title("a&apos;b|c<d>e"), "a'b c d e");
    EXPECT_EQ(clean_title("x,\"y\"&lt;"), "x,\"y\"&lt;");
}

TEST(FieldTransforms, DescriptionsLoseDifferentLineBreaks) {
    EXPECT_EQ(clean_description("&lt;p&gt;a,b&lt;/p&gt;"), "<p>a，b</p>"_gbk);
    EXPECT_EQ(clean_description("&lt;IMG src=&quot;http://x/1.jpg&quot;&gt;\r\n&amp;nbsp;\n"),
              "<IMG src=\"\"http://x/1.jpg\"\">\r ");
    EXPECT_EQ(
        clean_wireless_description("a\r\nb\nc\rd&amp;ldquo;&amp;rdquo;&amp;hellip;&amp;mdash;"),
        "ab\nc\rd“”…—"_gbk);
    EXPECT_EQ(clean_description("&amp;apos; &amp; &apos;"), "&amp;apos; &amp; &apos;");
}

TEST(FieldTransforms, ReplacementPairsInOrderAndEmptyFindDoesNothing) {
    ItemOptions options;
    options.replace_from = {"QQ", "", "12345"};
    options.replace_to = {"", "x", "***"};
    EXPECT_EQ(apply_replacements("QQ:12345 QQ", options), ":*** ");
}

TEST(FieldTransforms, FoodSecurityLabelsAndCommas) {
    std::array<std::string, 14> values;
    EXPECT_EQ(food_security_text(values),
              "contact:;design_code:;factory:;factory_site:;food_additive:;mix:;period:;"
              "plan_storage:;prd_license_no:;product_date_end:;product_date_start:;"
              "stock_date_end:;stock_date_start:;supplier:;");
    values[0] = "a,b";
    EXPECT_EQ(food_security_text(values).substr(0, 13), "contact:a，b;"_gbk);
}

struct CodeCase {
    const char* name;
    std::string (*code)(std::string_view);
    const char* value;
    const char* expected;
};

void PrintTo(const CodeCase& c, std::ostream* os) { *os << c.name; }

class FieldCodes : public ::testing::TestWithParam<CodeCase> {};

TEST_P(FieldCodes, Coded) { EXPECT_EQ(GetParam().code(GetParam().value), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldCodes,
    ::testing::Values(CodeCase{"approve_empty", approve_status_code, "", "100"},
                      CodeCase{"approve_onsale", approve_status_code, "onsale", "200"},
                      CodeCase{"approve_other", approve_status_code, "instock", "instock"},
                      CodeCase{"warranty_true", warranty_code, "true", "1"},
                      CodeCase{"warranty_other", warranty_code, "TRUE", "0"},
                      CodeCase{"warranty_empty", warranty_code, "", "0"},
                      CodeCase{"props_plain", props_text, "1:2;3:4", "1:2;3:4;"},
                      CodeCase{"props_ending_semicolon", props_text, "1:2;", "1:2;;"},
                      CodeCase{"props_leading_only", props_text, ";1:2", ";1:2"},
                      CodeCase{"props_leading_and_more", props_text, ";1:2;", ";1:2;;"},
                      CodeCase{"props_empty", props_text, "", ";"},
                      CodeCase{"alias", property_alias_text, "1:2:red", "1:2:red;"},
                      CodeCase{"alias_empty", property_alias_text, "", ";"}),
    [](const auto& info) { return info.param.name; });

TEST(FieldTransforms, FreightPayerFollowsThePagesButton) {
    EXPECT_EQ(freight_payer_code("seller", true), "2");
    EXPECT_EQ(freight_payer_code("seller", false), "1");
    EXPECT_EQ(freight_payer_code("buyer", true), "1");
    EXPECT_EQ(freight_payer_code("buyer", false), "2");
    EXPECT_EQ(freight_payer_code("", true), "0");
    EXPECT_EQ(freight_payer_code("other", false), "other");
}

struct PriceCase {
    const char* name;
    const char* price;
    const char* percent;
    const char* decimals;
    const char* expected;
};

void PrintTo(const PriceCase& c, std::ostream* os) { *os << c.name; }

class AdjustedPrice : public ::testing::TestWithParam<PriceCase> {};

const std::string full_width_150 = "１５０"_gbk;

TEST_P(AdjustedPrice, PercentThenOptionalRounding) {
    ItemOptions options;
    options.price_adjust = true;
    options.price_percent = GetParam().percent;
    options.price_decimals = GetParam().decimals;
    EXPECT_EQ(adjusted_price(GetParam().price, options), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AdjustedPrice,
    ::testing::Values(PriceCase{"up_twenty_percent", "99.00", "120", "", "118.8"},
                      PriceCase{"unchanged_percent", "99.00", "100", "", "99"},
                      PriceCase{"empty_percent", "99.00", "", "", "0"},
                      PriceCase{"full_width_percent", "10", full_width_150.c_str(), "", "15"},
                      PriceCase{"two_places", "99.00", "120", "2", "118.80"},
                      PriceCase{"no_places", "99.00", "120", "0", "119"},
                      PriceCase{"half_rounds_up_in_decimal", "1.005", "100", "2", "1.01"},
                      PriceCase{"carry", "9.996", "100", "2", "10.00"},
                      PriceCase{"decimals_not_a_number", "99.00", "120", "x", "118.8"}),
    [](const auto& info) { return info.param.name; });

TEST(AdjustedPrice, OffLeavesThePrice) {
    ItemOptions options;
    options.price_percent = "120";
    EXPECT_EQ(adjusted_price("99.00", options), "99.00");
}

TEST(SkuText, AnswerOrderAndTheDoubleSemicolon) {
    const std::vector<SkuValues> skus = {{"10.00", "5", "", "20:30"},
                                         {"12.00", "3", "A1", "20:31"}};
    ItemOptions options;
    EXPECT_EQ(sku_text(skus, options), "10.00:5::20:30;12.00:3:A1:20:31;;");
    EXPECT_EQ(sku_text({}, options), ";");
    options.stock_uniform = true;
    options.stock_value = "100";
    options.price_adjust = true;
    options.price_percent = "50";
    EXPECT_EQ(sku_text(skus, options), "5:100::20:30;6:100:A1:20:31;;");
}

TEST(RoundedNumberText, HalfAwayFromZero) {
    EXPECT_EQ(rounded_number_text(-2.5, 0), "-3");
    EXPECT_EQ(rounded_number_text(-0.004, 2), "0.00");
    EXPECT_EQ(rounded_number_text(999.95, 1), "1000.0");
    EXPECT_EQ(rounded_number_text(7, 3), "7.000");
}

}  // namespace
}  // namespace quorvane
