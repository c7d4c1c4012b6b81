#include "xml/xml_document.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>

#include "support/gbk_literal.h"

namespace quorvane {
namespace {

using testing::operator""_gbk;

std::string fixture(const char* name) {
    std::ifstream in(std::string(QUORVANE_TEST_DATA_DIR) + "/xml/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

const std::string item = "item_get_response/item/";

struct AnswerCase {
    const char* name;
    const char* file;
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }

class XmlDocumentItemAnswer : public ::testing::TestWithParam<AnswerCase> {};

// Both fixtures hold the same item; the UTF-8 one must read exactly as the
// GBK one after conversion, and the GBK one must not be converted twice.
TEST_P(XmlDocumentItemAnswer, FieldsReadAsGbk) {
    XmlDocument doc;
    ASSERT_EQ(doc.load(fixture(GetParam().file)), 1);
    EXPECT_EQ(doc.get_text("@1/msg"), "");
    EXPECT_EQ(doc.get_text(item + "title"), "2024新款 连衣裙 &amp; 半身裙*女|夏?"_gbk);
    EXPECT_EQ(doc.get_text(item + "price"), "118.80");
    EXPECT_EQ(doc.get_text(item + "num_iid"), "4100123456");
    EXPECT_EQ(doc.get_text(item + "features"), "");
    EXPECT_EQ(doc.get_text(item + "property_alias"), "1627207:28320:深红"_gbk);
    EXPECT_EQ(doc.get_text(item + "location/city"), "杭州"_gbk);
    EXPECT_EQ(doc.get_text(item + "food_security/supplier"), "供应商"_gbk);
    EXPECT_EQ(doc.get_text(item + "desc").substr(0, 21), "&lt;p&gt;&lt;IMG src=");

    int found = 0;
    EXPECT_EQ(doc.child_count(item + "skus", found), 3);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(doc.get_text(item + "skus/@3/price"), "99.50");
    EXPECT_EQ(doc.get_text(item + "skus/@3/quantity"), "5");
    EXPECT_EQ(doc.get_text(item + "skus/@4/price"), "");
    EXPECT_EQ(doc.get_text(item + "skus"), "");  // only whitespace between the SKUs
    EXPECT_EQ(doc.child_count(item + "item_imgs", found), 5);
    EXPECT_EQ(doc.get_text(item + "item_imgs/@5/url"),
              "http://img05.taobaocdn.com/bao/uploaded/i5/main5.jpg");
    EXPECT_EQ(doc.child_count(item + "prop_imgs", found), 2);
    EXPECT_EQ(doc.get_text(item + "prop_imgs/@2/properties"), "1627207:28341");
    EXPECT_EQ(doc.child_count(item + "no_such", found), 0);
    EXPECT_EQ(found, 0);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, XmlDocumentItemAnswer,
                         ::testing::Values(AnswerCase{"declared_utf8", "item_answer_utf8.xml"},
                                           AnswerCase{"declared_gb2312", "item_answer_gb2312.xml"}),
                         [](const auto& info) { return info.param.name; });

TEST(XmlDocument, ErrorAnswerReadsThroughMsg) {
    XmlDocument doc;
    ASSERT_EQ(doc.load(fixture("error_answer.xml")), 1);
    EXPECT_EQ(doc.get_text("@1/msg"), "Invalid session");
    EXPECT_EQ(doc.get_text(item + "title"), "");
    int found = 1;
    EXPECT_EQ(doc.child_count(item + "skus", found), 0);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(doc.root_name(found), "error_response");
}

TEST(XmlDocument, SecondLoadLeavesNothingOfTheFirst) {
    XmlDocument doc;
    ASSERT_EQ(doc.load(fixture("item_answer_utf8.xml")), 1);
    ASSERT_EQ(doc.load(fixture("error_answer.xml")), 1);
    EXPECT_EQ(doc.get_text(item + "title"), "");
    ASSERT_EQ(doc.load("<broken"), 0);
    EXPECT_EQ(doc.get_text("@1/msg"), "");
    int found = 1;
    EXPECT_EQ(doc.root_name(found), "");
    EXPECT_EQ(found, 0);
}

TEST(XmlDocument, EditingApi) {
    XmlDocument doc;
    EXPECT_EQ(doc.create_root(""), 0);
    EXPECT_EQ(doc.create_root("@x"), 0);
    EXPECT_EQ(doc.create_root(" x"), 0);
    ASSERT_EQ(doc.create_root("root"), 1);
    EXPECT_EQ(doc.add_child("root", "a", "1"), 1);
    EXPECT_EQ(doc.add_child("root", "b", ""), 1);
    EXPECT_EQ(doc.add_child("root/none", "c", ""), 0);
    EXPECT_EQ(doc.add_attribute("root/a", "k", "v"), 1);
    EXPECT_EQ(doc.add_attribute("root/a", "k", "w"), 1);
    std::string value;
    EXPECT_EQ(doc.get_attribute("root/a", "k", value), 1);
    EXPECT_EQ(value, "v");
    value = "untouched";
    EXPECT_EQ(doc.get_attribute("root/a", "z", value), 0);
    EXPECT_EQ(value, "untouched");
    EXPECT_EQ(doc.set_attribute("root/a", "k", "x"), 1);
    EXPECT_EQ(doc.set_attribute("root/a", "new", "x"), 0);
    EXPECT_EQ(doc.rename_attribute("root/a", "k", "key"), 1);
    EXPECT_EQ(doc.remove_attribute("root/a", "k"), 1);
    EXPECT_EQ(doc.remove_attribute("root/a", "k"), 0);
    int found = 0;
    EXPECT_EQ(doc.attribute_count("root/a", found), 1);
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(doc.attribute_names("root/a", names), 1);
    EXPECT_EQ(names, std::vector<std::string>{"key"});
    EXPECT_EQ(doc.child_names("root", names), 1);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(doc.set_text("root/b", "<tag>"), 1);
    EXPECT_EQ(doc.set_name("root/b", "c"), 1);
    int32_t children = -1;
    EXPECT_EQ(doc.node_exists("root", children), 1);
    EXPECT_EQ(children, 2);
    EXPECT_EQ(doc.node_exists("root/b", children), 0);
    EXPECT_EQ(children, 0);
    EXPECT_EQ(doc.to_bytes(),
              "<?xml version=\"1.0\" encoding=\"gb2312\"?><root><a key=\"x\">1</a>"
              "<c><![CDATA[<tag>]]></c></root>");
    EXPECT_EQ(doc.delete_element("root"), 0);
    EXPECT_EQ(doc.delete_element("root/a"), 1);
    EXPECT_EQ(doc.delete_element("root/a"), 0);

    const XmlTree tree = doc.get_tree();
    XmlDocument other;
    other.set_tree(tree);
    EXPECT_EQ(other.to_bytes(), doc.to_bytes());

    const auto file = std::filesystem::temp_directory_path() /
                      ("quorvane-xml-" + std::to_string(::getpid()) + ".xml");
    ASSERT_TRUE(doc.save_to_file(file));
    std::ifstream in(file, std::ios::binary);
    XmlDocument reloaded;
    EXPECT_EQ(reloaded.load(std::string(std::istreambuf_iterator<char>(in), {})), 1);
    EXPECT_EQ(reloaded.get_text("root/c"), "<tag>");
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace quorvane
