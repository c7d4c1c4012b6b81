#include "text/gbk_conversion.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace quorvane {
namespace {

TEST(GbkConversion, RoundTripsChineseAndAscii) {
    const std::string utf8 = "宝贝标题 ABC　１２３，“引号”";
    const std::string gbk_text = utf8_to_gbk(utf8);
    EXPECT_EQ(gbk_text.substr(0, 4), "\xB1\xA6\xB1\xB4");  // 宝贝
    EXPECT_EQ(gbk_to_utf8(gbk_text), utf8);
}

struct ReplacementCase {
    const char* name;
    std::string input;
    std::string expected;
};

void PrintTo(const ReplacementCase& c, std::ostream* os) { *os << c.name; }

class Utf8ToGbkReplacement : public ::testing::TestWithParam<ReplacementCase> {};

TEST_P(Utf8ToGbkReplacement, BecomesQuestionMarkAndKeepsTheRest) {
    EXPECT_EQ(utf8_to_gbk(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8ToGbkReplacement,
                         ::testing::Values(ReplacementCase{"emoji",
                                                           "a\xF0\x9F\x98\x80"
                                                           "b",
                                                           "a?b"},
                                           ReplacementCase{"korean",
                                                           "x\xED\x95\x9C"
                                                           "y",
                                                           "x?y"},
                                           ReplacementCase{"stray_continuation",
                                                           "a\x80"
                                                           "b",
                                                           "a?b"},
                                           ReplacementCase{"invalid_lead",
                                                           "a\xFF"
                                                           "b\xFE"
                                                           "c",
                                                           "a?b?c"},
                                           ReplacementCase{"cut_off_at_end", "ab\xE4\xB8", "ab?"},
                                           ReplacementCase{"lead_without_continuation",
                                                           "\xE4"
                                                           "abc",
                                                           "?abc"},
                                           ReplacementCase{"empty", "", ""}),
                         [](const auto& info) { return info.param.name; });

class GbkToUtf8Replacement : public ::testing::TestWithParam<ReplacementCase> {};

TEST_P(GbkToUtf8Replacement, BecomesQuestionMarkAndKeepsTheRest) {
    EXPECT_EQ(gbk_to_utf8(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, GbkToUtf8Replacement,
                         ::testing::Values(
                             // A lead byte before an ASCII byte that cannot be a trail byte
                             // costs only itself: the markup after it survives.
                             ReplacementCase{"lead_before_markup", "\x81<b>", "?<b>"},
                             ReplacementCase{"lead_cut_off_at_end", "abc\xB0", "abc?"},
                             ReplacementCase{"byte_ff",
                                             "a\xFF"
                                             "b",
                                             "a?b"},
                             ReplacementCase{"nul_kept", std::string("a\0b", 3),
                                             std::string("a\0b", 3)}),
                         [](const auto& info) { return info.param.name; });

std::string utf8_of(uint32_t cp) {
    std::string s;
    if (cp < 0x800) {
        s += static_cast<char>(0xC0 | cp >> 6);
    } else {
        s += static_cast<char>(0xE0 | cp >> 12);
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    s += static_cast<char>(0x80 | (cp & 0x3F));
    return s;
}

// The encoder's table must agree with the system's CP936 converter on every
// character of the basic plane.
TEST(GbkConversion, AgreesWithIconvOnEveryBmpCharacter) {
    iconv_t cd = iconv_open("CP936", "UTF-8");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    int mismatches = 0;
    for (uint32_t cp = 0x80; cp <= 0xFFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            continue;
        }
        std::string in = utf8_of(cp);
        char out[8];
        char* in_ptr = in.data();
        char* out_ptr = out;
        size_t in_left = in.size();
        size_t out_left = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const bool ok =
            iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<size_t>(-1);
        const std::string expected = ok ? std::string(out, out_ptr) : "?";
        if (utf8_to_gbk(in) != expected && ++mismatches <= 5) {
            ADD_FAILURE() << "U+" << std::hex << cp;
        }
    }
    iconv_close(cd);
    EXPECT_EQ(mismatches, 0);
}

TEST(GbkConversion, LongTextsConvertWhole) {
    std::string utf8;
    for (int i = 0; i < 20000; ++i) {
        utf8 += "价格";
    }
    const std::string gbk_text = utf8_to_gbk(utf8);
    EXPECT_EQ(gbk_text.size(), 80000u);
    EXPECT_EQ(gbk_to_utf8(gbk_text), utf8);
}

TEST(GbkConversionConcurrency, ThreadsConvertIndependently) {
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            const std::string utf8 = "线程" + std::to_string(t) + "：宝贝下载完成";
            for (int i = 0; i < 2000; ++i) {
                if (gbk_to_utf8(utf8_to_gbk(utf8)) != utf8) {
                    ++failures[t];
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace quorvane
