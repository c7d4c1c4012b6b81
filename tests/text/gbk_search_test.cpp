#include "text/gbk_search.h"

#include <gtest/gtest.h>

#include <ostream>

#include "support/gbk_literal.h"

namespace quorvane {
namespace {

using testing::operator""_gbk;

// GBK characters whose trail byte is an ASCII character.
const std::string trail_backslash = "\xB0\x5C";  // 癨
const std::string trail_bar = "\xB0\x7C";        // 皘
const std::string trail_at = "\xB0\x40";         // 癅
const std::string trail_upper_a = "\xB0\x41";    // 癆
const std::string trail_lower_a = "\xB0\x61";    // 癮

struct FindCase {
    const char* name;
    std::string text;
    std::string marker;
    Case mode;
    size_t expected;
};

void PrintTo(const FindCase& c, std::ostream* os) { *os << c.name; }

class FindText : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindText, FindsOnlyAtCharacterBoundaries) {
    const auto& c = GetParam();
    EXPECT_EQ(find_text(c.text, c.marker, 0, c.mode), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindText,
    ::testing::Values(
        FindCase{"backslash_inside_char", trail_backslash + "\\", "\\", Case::exact, 2},
        FindCase{"bar_inside_char_only", "ab" + trail_bar, "|", Case::exact, not_found},
        FindCase{"at_inside_char", trail_at + "x@y", "@", Case::exact, 3},
        FindCase{"letter_inside_char", trail_upper_a + "A", "A", Case::exact, 2},
        FindCase{"folded_letter_inside_char", trail_upper_a + "xa", "a", Case::ignore_ascii, 3},
        FindCase{"marker_right_after_char", "中文||x"_gbk, "||", Case::exact, 4},
        FindCase{"chinese_marker", "价格：中文"_gbk, "中文"_gbk, Case::exact, 6},
        // "文中" read byte-wise holds D0 CE, the tail of 中 and the head of 文.
        FindCase{"marker_across_two_chars", "中文"_gbk, "\xD0\xCE", Case::exact, not_found},
        FindCase{"ignore_case_ascii", "<IMG src=", "<img", Case::ignore_ascii, 0},
        FindCase{"exact_case_differs", "<IMG src=", "<img", Case::exact, not_found},
        FindCase{"trail_letters_not_folded", trail_upper_a, trail_lower_a, Case::ignore_ascii,
                 not_found},
        FindCase{"empty_marker", "abc", "", Case::exact, 0},
        FindCase{"marker_longer_than_text", "ab", "abc", Case::exact, not_found}),
    [](const auto& info) { return info.param.name; });

TEST(FindText, StartsFromGivenBoundary) {
    EXPECT_EQ(find_text("a=b=c", "=", 2), 3u);
    EXPECT_EQ(find_text("abc", "", 3), 3u);
    EXPECT_EQ(find_text("abc", "a", 4), not_found);
}

TEST(FindLastText, LastOccurrenceAtBoundary) {
    EXPECT_EQ(find_last_text("1/2/3", "/"), 3u);
    EXPECT_EQ(find_last_text("1/" + trail_bar, "|"), not_found);
    EXPECT_EQ(find_last_text("a/b" + trail_backslash, "\\"), not_found);
    EXPECT_EQ(find_last_text("abc", ""), not_found);
    EXPECT_EQ(find_last_text("aaa", "aa"), 1u);
}

struct ReplaceCase {
    const char* name;
    std::string text;
    std::string search;
    std::string replacement;
    Case mode;
    std::string expected;
};

void PrintTo(const ReplaceCase& c, std::ostream* os) { *os << c.name; }

class ReplaceAll : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceAll, LeftToRightWithoutRescan) {
    const auto& c = GetParam();
    EXPECT_EQ(replace_all(c.text, c.search, c.replacement, c.mode), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceAll,
    ::testing::Values(
        ReplaceCase{"every_occurrence", "a*b*c", "*", " ", Case::exact, "a b c"},
        ReplaceCase{"inserted_text_not_rescanned", "&amp;", "&", "&amp;", Case::exact, "&amp;amp;"},
        ReplaceCase{"overlap_left_to_right", "aaa", "aa", "b", Case::exact, "ba"},
        ReplaceCase{"case_sensitive", "AMP;amp;", "amp;", "", Case::exact, "AMP;"},
        ReplaceCase{"ignoring_case", "AMP;amp;", "amp;", "x", Case::ignore_ascii, "xx"},
        ReplaceCase{"not_inside_char", "|" + trail_bar + "|", "|", " ", Case::exact,
                    " " + trail_bar + " "},
        ReplaceCase{"chinese", "，价格，"_gbk, "，"_gbk, ",", Case::exact, ",价格,"_gbk},
        ReplaceCase{"empty_search", "abc", "", "x", Case::exact, "abc"},
        ReplaceCase{"to_nothing", "a,b,", ",", "", Case::exact, "ab"}),
    [](const auto& info) { return info.param.name; });

struct TrimCase {
    const char* name;
    std::string text;
    std::string expected;
};

void PrintTo(const TrimCase& c, std::ostream* os) { *os << c.name; }

class Trim : public ::testing::TestWithParam<TrimCase> {};

TEST_P(Trim, BlanksAndFullWidthSpacesAtBothEnds) {
    EXPECT_EQ(trim(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Trim,
    ::testing::Values(TrimCase{"ascii_spaces", "  ab c  ", "ab c"},
                      TrimCase{"full_width_spaces", "\xA1\xA1 ab\xA1\xA1 ", "ab"},
                      TrimCase{"tabs_and_breaks_stay", "\tab\r\n", "\tab\r\n"},
                      TrimCase{"inner_kept",
                               "a\xA1\xA1"
                               "b",
                               "a\xA1\xA1"
                               "b"},
                      // The last A1 A1 here is the tail of one character and the head of
                      // another; only a whole full-width space is trimmed.
                      TrimCase{"pair_across_chars", "\xB0\xA1\xA1\xB0", "\xB0\xA1\xA1\xB0"},
                      TrimCase{"char_ending_a1_then_space", "\xB0\xA1\xA1\xA1", "\xB0\xA1"},
                      TrimCase{"only_blanks", " \xA1\xA1 ", ""}, TrimCase{"empty", "", ""}),
    [](const auto& info) { return info.param.name; });

TEST(AsciiCase, LowersSingleByteLettersOnly) {
    EXPECT_EQ(ascii_lower("ABC" + trail_upper_a + "D"), "abc" + trail_upper_a + "d");
    EXPECT_TRUE(equals_ignore_case("DL_PIC", "dl_pic"));
    EXPECT_FALSE(equals_ignore_case(trail_upper_a, trail_lower_a));
    EXPECT_FALSE(equals_ignore_case("ab", "abc"));
}

}  // namespace
}  // namespace quorvane
