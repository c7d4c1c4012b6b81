#include "text/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

#include "support/gbk_literal.h"

namespace quorvane {
namespace {

using testing::operator""_gbk;

struct NumberCase {
    const char* name;
    std::string text;
    double expected;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << c.name; }

class TextToNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(TextToNumber, ReadsTheLeadingDecimalNumber) {
    EXPECT_DOUBLE_EQ(text_to_number(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextToNumber,
    ::testing::Values(
        NumberCase{"plain", "118.80", 118.8},
        NumberCase{"leading_spaces_and_tail", "  \t12.5元"_gbk, 12.5},
        NumberCase{"full_width_digits", "１２３．５"_gbk, 123.5},
        NumberCase{"full_width_signs", "－５"_gbk, -5},
        NumberCase{"full_width_plus", "＋７"_gbk, 7},
        NumberCase{"mixed_widths", "1２.５0"_gbk, 12.5}, NumberCase{"sign", "-3", -3},
        NumberCase{"point_first", ".5", 0.5}, NumberCase{"trailing_point", "7.", 7},
        NumberCase{"exponent", "1.5e2", 150}, NumberCase{"exponent_without_digits", "2e", 2},
        NumberCase{"range_takes_first", "100-200", 100}, NumberCase{"no_number", "abc", 0},
        NumberCase{"empty", "", 0}, NumberCase{"sign_alone", "-", 0},
        NumberCase{"full_width_space_is_not_skipped",
                   "\xA1\xA1"
                   "5",
                   0},
        NumberCase{"hex_is_not_decimal", "0x10", 0}, NumberCase{"words_inf_nan", "inf", 0},
        // A3 B5 is "５" only at a character boundary; here B0 A3 is one
        // character and B5 starts the next.
        NumberCase{"full_width_only_at_boundary", "\xB0\xA3\xB5\x31", 0}),
    [](const auto& info) { return info.param.name; });

TEST(TextToNumber, OverflowGivesHugeValue) {
    EXPECT_EQ(text_to_number("1e999"), HUGE_VAL);
    EXPECT_EQ(text_to_number("1e-999"), 0.0);
}

struct TextCase {
    const char* name;
    double value;
    const char* expected;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class NumberText : public ::testing::TestWithParam<TextCase> {};

TEST_P(NumberText, ShortestThirteenDigitForm) {
    EXPECT_EQ(number_text(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberText,
    ::testing::Values(TextCase{"decimal", 118.8, "118.8"}, TextCase{"whole", 100, "100"},
                      TextCase{"percent_result", 99.0 * 1.1, "108.9"},
                      TextCase{"thirteen_digits", 1.0 / 3.0, "0.3333333333333"},
                      TextCase{"zero", 0, "0"}, TextCase{"negative", -2.5, "-2.5"},
                      TextCase{"large", 1e13, "1e+13"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quorvane
