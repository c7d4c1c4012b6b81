#include "text/markers.h"

#include <gtest/gtest.h>

#include <ostream>

#include "support/gbk_literal.h"

namespace quorvane {
namespace {

using testing::operator""_gbk;

struct MarkerCase {
    const char* name;
    std::string text;
    std::string start;
    std::string end;
    std::string expected;
};

void PrintTo(const MarkerCase& c, std::ostream* os) { *os << c.name; }

class FindBetween : public ::testing::TestWithParam<MarkerCase> {};

TEST_P(FindBetween, Rules) {
    const auto& c = GetParam();
    EXPECT_EQ(find_between(c.text, c.start, c.end), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindBetween,
    ::testing::Values(
        MarkerCase{"basic", "<title>Shop</title>", "<title>", "</title>", "Shop"},
        MarkerCase{"ignores_case", "<TITLE>Shop</Title>", "<title>", "</title>", "Shop"},
        MarkerCase{"first_start_then_first_end_after_it", "a[1]b[2]", "[", "]", "1"},
        MarkerCase{"end_before_start_ignored", "]x[y]", "[", "]", "y"},
        MarkerCase{"quote_word_is_a_quote", "<a id=\"123\" href>", "id=#引号"_gbk, "#引号"_gbk,
                   "123"},
        MarkerCase{"start_missing", "abc", "x", "c", ""},
        MarkerCase{"end_missing_after_start", "c-a-b", "a", "c", ""},
        MarkerCase{"empty_end", "abc", "a", "", ""},
        MarkerCase{"empty_start_from_beginning", "123/456", "", "/", "123"},
        MarkerCase{"marker_inside_char_not_found",
                   "\xB0\x7C"
                   "x|id|",
                   "|", "|", "id"},
        MarkerCase{"chinese_text_kept", "http://shop.example/x", "http://", "/", "shop.example"},
        MarkerCase{"gbk_content", "<b>宝贝</b>"_gbk, "<B>", "</B>", "宝贝"_gbk}),
    [](const auto& info) { return info.param.name; });

TEST(TextAfterLast, AfterTheLastExactOccurrence) {
    EXPECT_EQ(text_after_last("1/12", "/"), "12");
    EXPECT_EQ(text_after_last("a/b/c", "/"), "c");
    EXPECT_EQ(text_after_last("abc", "/"), "");
    EXPECT_EQ(text_after_last("a/", "/"), "");
    EXPECT_EQ(text_after_last("aXbxc", "x"), "c");
    EXPECT_EQ(text_after_last("1/2\xB0/", "/"), "2\xB0/");  // B0 2F is one character
}

class TextBetween : public ::testing::TestWithParam<MarkerCase> {};

TEST_P(TextBetween, Rules) {
    const auto& c = GetParam();
    EXPECT_EQ(text_between(c.text, c.start, c.end), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextBetween,
    ::testing::Values(MarkerCase{"both_markers", "Set-Cookie: a=1; path=/", "Set-Cookie:", ";",
                                 " a=1"},
                      MarkerCase{"exact_case", "set-cookie: a=1;", "Set-Cookie:", ";", ""},
                      MarkerCase{"end_missing", "a=1", "=", ";", ""},
                      MarkerCase{"start_missing", "a;b", "=", ";", ""},
                      MarkerCase{"empty_end_gives_rest", "key=value=x", "=", "", "value=x"},
                      MarkerCase{"empty_end_start_missing", "abc", "=", "", ""},
                      MarkerCase{"empty_start_gives_head", "a=1; b=2", "", ";", "a=1"},
                      MarkerCase{"empty_start_end_missing", "abc", "", ";", ""},
                      MarkerCase{"first_end_after_start", ";x=1;y", "=", ";", "1"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quorvane
