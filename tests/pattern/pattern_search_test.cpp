#include "pattern/pattern_search.h"

#include <gtest/gtest.h>

#include <ostream>

#include "support/gbk_literal.h"

namespace quorvane {
namespace {

using testing::operator""_gbk;

const PatternOptions worker{};
const PatternOptions crawler{true, true, true, DotMode::any};

TEST(PatternSearch, EmptyBeforeCompileAndAfterCompile) {
    PatternSearch search;
    EXPECT_EQ(search.pattern(), "");
    EXPECT_EQ(search.match_count(), 0);
    EXPECT_EQ(search.submatch_count(), 0);
    EXPECT_EQ(search.find_all("abc"), 0);
    EXPECT_EQ(search.compile("a(b)"), 1);
    EXPECT_EQ(search.pattern(), "a(b)");
    EXPECT_EQ(search.match_count(), 0);
    EXPECT_EQ(search.submatch_count(), 0);
}

TEST(PatternSearch, GroupTextsInTextOrder) {
    PatternSearch search;
    search.compile("<img src=\"(.*?)\">");
    const std::string text =
        "<IMG src=\"http://a/1.jpg\"> x <img src=\"http://a/2.jpg\"><Img src=\"http://b/3.gif\">";
    ASSERT_EQ(search.find_all(text), 3);
    EXPECT_EQ(search.match_count(), 3);
    EXPECT_EQ(search.submatch_count(), 1);
    EXPECT_EQ(search.submatch_text(1, 1), "http://a/1.jpg");
    EXPECT_EQ(search.submatch_text(2, 1), "http://a/2.jpg");
    EXPECT_EQ(search.submatch_text(3, 1), "http://b/3.gif");
    EXPECT_EQ(search.match_text(2), "<img src=\"http://a/2.jpg\">");
}

TEST(PatternSearch, LazyGroupsTakeEachAddressSeparately) {
    PatternSearch search;
    search.compile("\"(.*?)\"");
    ASSERT_EQ(search.find_all("a=\"http://x/1\" b=\"http://x/2\""), 2);
    EXPECT_EQ(search.submatch_text(1, 1), "http://x/1");
    EXPECT_EQ(search.submatch_text(2, 1), "http://x/2");
}

struct DotCase {
    const char* name;
    const char* pattern;
    const char* text;
    DotMode dot;
    int matches;
};

void PrintTo(const DotCase& c, std::ostream* os) { *os << c.name; }

class PatternDotModes : public ::testing::TestWithParam<DotCase> {};

TEST_P(PatternDotModes, LineBreaks) {
    const auto& c = GetParam();
    PatternSearch search;
    search.compile(c.pattern, PatternOptions{true, true, true, c.dot});
    EXPECT_EQ(search.find_all(c.text), c.matches);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PatternDotModes,
    ::testing::Values(
        DotCase{"worker_dot_stops_at_line_feed", "a.*?b", "a\nb", DotMode::any_but_line_feed, 0},
        DotCase{"worker_dot_crosses_carriage_return", "a.b", "a\rb", DotMode::any_but_line_feed, 1},
        DotCase{"worker_any_class_crosses", "a[\\s\\S]*?b", "a\nb", DotMode::any_but_line_feed, 1},
        DotCase{"worker_escaped_dot_is_literal", "a\\.b", "a.b axb", DotMode::any_but_line_feed, 1},
        DotCase{"worker_dot_in_class_is_literal", "a[.]b", "a.b axb", DotMode::any_but_line_feed,
                1},
        DotCase{"worker_bracket_member_then_dot", "[]x].", "]\nx1", DotMode::any_but_line_feed, 1},
        DotCase{"crawler_dot_crosses_line_feed", "a.*?b", "a\nb", DotMode::any, 1},
        DotCase{"crawler_any_class_crosses", "a[\\s\\S]*?b", "a\r\nb", DotMode::any, 1}),
    [](const auto& info) { return info.param.name; });

TEST(PatternSearch, BackslashPunctuationIsTheCharacter) {
    PatternSearch search;
    search.compile("\\<img(.*?)\\/\\>");
    ASSERT_EQ(search.find_all("x<IMG a=1/>y"), 1);
    EXPECT_EQ(search.submatch_text(1, 1), " a=1");
}

TEST(PatternSearch, MatchesNeverSplitTwoByteCharacters) {
    PatternSearch search;
    // B0 7C is one character whose trail byte is "|".
    search.compile("\\|(.*?)\\|");
    ASSERT_EQ(search.find_all("\xB0\x7C"
                              "ab|id|"),
              1);
    EXPECT_EQ(search.submatch_text(1, 1), "id");

    search.compile("a(.)b");
    ASSERT_EQ(search.find_all("a中b"_gbk), 1);
    EXPECT_EQ(search.submatch_text(1, 1), "中"_gbk);

    // A letter trail byte is not an "A" for a case-insensitive pattern.
    search.compile("a");
    EXPECT_EQ(search.find_all("\xB0\x41\xB0\x61"), 0);
}

TEST(PatternSearch, ChineseLiteralsAndGbkResults) {
    PatternSearch search;
    search.compile("<strong>(.*?) 元</strong>"_gbk, crawler);
    ASSERT_EQ(search.find_all("<STRONG>12.50 元</strong><strong>宝贝 元</strong>"_gbk), 2);
    EXPECT_EQ(search.submatch_text(1, 1), "12.50");
    EXPECT_EQ(search.submatch_text(2, 1), "宝贝"_gbk);
}

TEST(PatternSearch, CrawlerDesignAcrossLines) {
    PatternSearch search;
    search.compile(
        "<a class=\"item-name\"[\\s\\S]*?href=\".*?id=(.*?)\" target=\"_blank\">(.*?)</a>",
        crawler);
    const std::string page =
        "<A CLASS=\"item-name\"\n  data-x=1\n href=\"http://item/item.htm?id=42&rn=1\" "
        "target=\"_blank\">标题一</A>\n"
        "<a class=\"item-name\" href=\"http://item/item.htm?id=43\" target=\"_blank\">标题二</a>"_gbk;
    ASSERT_EQ(search.find_all(page), 2);
    EXPECT_EQ(search.submatch_text(1, 1), "42&rn=1");
    EXPECT_EQ(search.submatch_text(1, 2), "标题一"_gbk);
    EXPECT_EQ(search.submatch_text(2, 1), "43");
}

TEST(PatternSearch, UnmatchedGroupAndOutOfRangeGiveEmpty) {
    PatternSearch search;
    search.compile("a(x)?(b)");
    ASSERT_EQ(search.find_all("ab"), 1);
    EXPECT_EQ(search.submatch_count(), 2);
    EXPECT_EQ(search.submatch_text(1, 1), "");
    EXPECT_EQ(search.submatch_text(1, 2), "b");
    EXPECT_EQ(search.submatch_text(1, 3), "");
    EXPECT_EQ(search.submatch_text(2, 1), "");
    EXPECT_EQ(search.match_text(0), "");
}

TEST(PatternSearch, OptionsGlobalCaseAndMultiline) {
    PatternSearch search;
    search.compile("b", PatternOptions{true, true, false, DotMode::any_but_line_feed});
    EXPECT_EQ(search.find_all("abab"), 1);
    search.compile("B", PatternOptions{false, true, true, DotMode::any_but_line_feed});
    EXPECT_EQ(search.find_all("abB"), 1);
    search.compile("^b");
    EXPECT_EQ(search.find_all("a\nb"), 1);
    search.compile("^b", PatternOptions{true, false, true, DotMode::any_but_line_feed});
    EXPECT_EQ(search.find_all("a\nb"), 0);
}

TEST(PatternSearch, RejectedPatternFindsNothing) {
    PatternSearch search;
    EXPECT_EQ(search.compile("(unclosed"), 1);
    EXPECT_EQ(search.pattern(), "(unclosed");
    EXPECT_EQ(search.find_all("(unclosed"), 0);
    EXPECT_EQ(search.match_count(), 0);
    EXPECT_EQ(search.replace("abc", "x"), "abc");
}

TEST(PatternSearch, HostileBacktrackingGivesNoMatches) {
    PatternSearch search;
    search.compile("(x+x+)+y");
    const std::string page(5000, 'x');
    EXPECT_EQ(search.find_all(page), 0);
    EXPECT_EQ(search.match_count(), 0);
}

TEST(PatternSearch, CopySharesMatchesAndRecompileReleases) {
    PatternSearch search;
    search.compile("(\\d)");
    search.find_all("1 2");
    PatternSearch copy = search;
    EXPECT_EQ(copy.match_count(), 2);
    EXPECT_EQ(copy.submatch_text(2, 1), "2");
    search.compile("z");
    EXPECT_EQ(search.match_count(), 0);
    EXPECT_EQ(copy.submatch_text(1, 1), "1");
    search.release();
    EXPECT_EQ(search.pattern(), "");
}

TEST(PatternSearch, ReplaceUsesGroups) {
    PatternSearch search;
    search.compile("src=\"(.*?)\"");
    EXPECT_EQ(search.replace("src=\"a\" src=\"b\"", "[$1]"), "[a] [b]");
    search.compile("价"_gbk, PatternOptions{true, true, false, DotMode::any_but_line_feed});
    EXPECT_EQ(search.replace("价价"_gbk, "元"_gbk), "元价"_gbk);
}

}  // namespace
}  // namespace quorvane
