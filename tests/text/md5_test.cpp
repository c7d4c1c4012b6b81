#include "text/md5.h"

#include <gtest/gtest.h>

#include <ostream>

#include "support/gbk_literal.h"

namespace quorvane {
namespace {

using testing::operator""_gbk;

struct Md5Case {
    std::string input;
    const char* digest;
};

void PrintTo(const Md5Case& c, std::ostream* os) { *os << '"' << c.input << '"'; }

class Md5Rfc1321 : public ::testing::TestWithParam<Md5Case> {};

TEST_P(Md5Rfc1321, TestSuite) { EXPECT_EQ(md5_text(GetParam().input), GetParam().digest); }

INSTANTIATE_TEST_SUITE_P(
    Vectors, Md5Rfc1321,
    ::testing::Values(Md5Case{"", "d41d8cd98f00b204e9800998ecf8427e"},
                      Md5Case{"a", "0cc175b9c0f1b6a831c399e269772661"},
                      Md5Case{"abc", "900150983cd24fb0d6963f7d28e17f72"},
                      Md5Case{"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
                      Md5Case{"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
                      Md5Case{"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
                              "d174ab98d277d9f5a5611c2c9f419d9f"},
                      Md5Case{
                          "1234567890123456789012345678901234567890123456789012345678901234567890"
                          "1234567890",
                          "57edf4a22be3c955ac49da2e2107b67a"}));

TEST(Md5, DigestsTheGbkBytes) {
    // The digest of the GBK bytes D6 D0 CE C4, not of the UTF-8 spelling.
    EXPECT_EQ(md5_text("中文"_gbk), md5_text("\xD6\xD0\xCE\xC4"));
    EXPECT_NE(md5_text("中文"_gbk), md5_text("中文"));
}

TEST(Md5, MiddleSixteenAreCharactersNineToTwentyFour) {
    EXPECT_EQ(md5_middle16("abc"), "3cd24fb0d6963f7d");
    EXPECT_EQ(md5_middle16(""), "8f00b204e9800998");
}

}  // namespace
}  // namespace quorvane
