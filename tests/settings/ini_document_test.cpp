#include "settings/ini_document.h"

#include <gtest/gtest.h>

#include <ostream>

#include "support/gbk_literal.h"

namespace quorvane {
namespace {

using testing::operator""_gbk;

const std::string sample =
    "; Quorvane options\r\n"
    "[DL_PIC]\r\n"
    "download=\xD5\xE6\r\n"  // 真
    "fall = 2 \r\n"
    "empty=\r\n"
    "\r\n"
    "[Other]\r\n"
    "unknown=keep me\r\n"
    "[dl_pic]\r\n"
    "fall=9\r\n";

struct ReadCase {
    const char* name;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class IniRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, ProfileSemantics) {
    const auto& c = GetParam();
    EXPECT_EQ(IniDocument(sample).value(c.section, c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniRead,
    ::testing::Values(ReadCase{"gbk_value", "DL_PIC", "download", std::string("\xD5\xE6")},
                      ReadCase{"blanks_around_trimmed", "DL_PIC", "fall", std::string("2")},
                      ReadCase{"section_and_key_ignore_case", "dl_pic", "FALL", std::string("2")},
                      ReadCase{"present_but_empty", "DL_PIC", "empty", std::string()},
                      ReadCase{"missing_key", "DL_PIC", "taobao_only", std::nullopt},
                      ReadCase{"missing_section", "SAVE", "type", std::nullopt},
                      ReadCase{"key_of_other_section", "DL_PIC", "unknown", std::nullopt},
                      ReadCase{"comment_is_no_key", "DL_PIC", "; Quorvane options", std::nullopt}),
    [](const auto& info) { return info.param.name; });

TEST(IniRead, EnclosingQuotesRemoved) {
    IniDocument doc("[R]\n1=\"QQ\"\n2='x'\n3=\"half\n4=\"\n");
    EXPECT_EQ(doc.value("R", "1"), "QQ");
    EXPECT_EQ(doc.value("R", "2"), "x");
    EXPECT_EQ(doc.value("R", "3"), "\"half");
    EXPECT_EQ(doc.value("R", "4"), "\"");
}

TEST(IniRead, ValueCutToTheReadingBufferOnACharacterBoundary) {
    const std::string ascii(12000, 'x');
    EXPECT_EQ(IniDocument("[S]\nk=" + ascii + "\n").value("S", "k")->size(), 10239u);
    // 10,238 ASCII bytes and then a two-byte character: it would not fit whole.
    const std::string mixed = std::string(10238, 'x') + "价"_gbk;
    EXPECT_EQ(*IniDocument("[S]\nk=" + mixed + "\n").value("S", "k"), std::string(10238, 'x'));
}

struct WriteCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class IniWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWrite, KeepsEverythingElse) {
    const auto& c = GetParam();
    IniDocument doc(c.before);
    doc.set_value(c.section, c.key, c.value);
    EXPECT_EQ(doc.text(), c.after);
    EXPECT_EQ(IniDocument(doc.text()).value(c.section, c.key), std::string(c.value));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWrite,
    ::testing::Values(
        WriteCase{"into_empty_text", "", "SAVE", "type", "5", "[SAVE]\r\ntype=5\r\n"},
        WriteCase{"replace_in_place_keeps_key_spelling", "; c\r\n[A]\r\nKey = old\r\nz=1\r\n", "a",
                  "key", "new", "; c\r\n[A]\r\nKey=new\r\nz=1\r\n"},
        WriteCase{"new_key_at_end_of_section_before_blank", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", "A",
                  "k", "v", "[A]\r\nx=1\r\nk=v\r\n\r\n[B]\r\ny=2\r\n"},
        WriteCase{"new_key_in_header_only_section", "[A]\r\n[B]\r\n", "A", "k", "v",
                  "[A]\r\nk=v\r\n[B]\r\n"},
        WriteCase{"new_section_at_end", "[A]\r\nx=1\r\n", "B", "k", "v",
                  "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        WriteCase{"unterminated_last_line", "[A]\nx=1", "A", "k", "v", "[A]\nx=1\r\nk=v\r\n"},
        WriteCase{"lf_file_keeps_its_lines", "[A]\nx=1\n", "A", "x", "2", "[A]\nx=2\n"},
        WriteCase{"first_of_repeated_sections", "[A]\r\nx=1\r\n[a]\r\nx=2\r\n", "A", "x", "3",
                  "[A]\r\nx=3\r\n[a]\r\nx=2\r\n"},
        WriteCase{"empty_value", "[A]\r\nx=1\r\n", "A", "x", "", "[A]\r\nx=\r\n"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quorvane
