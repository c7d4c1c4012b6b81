#include "xml/xml_tree.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <thread>
#include <vector>

#include "text/gbk_conversion.h"

namespace quorvane {
namespace {

XmlNode node_at(const XmlTree& tree, int32_t index) {
    XmlNode node;
    EXPECT_EQ(tree.get_node(index, node), 1) << "index " << index;
    return node;
}

TEST(XmlTreeNumbering, WorkedExampleIsPostOrder) {
    XmlTree tree;
    ASSERT_EQ(
        tree.load("<R><item><title>T</title><skus><sku><price>9</price></sku></skus></item></R>"),
        1);
    EXPECT_EQ(tree.root(), 6);
    EXPECT_EQ(tree.node_name(1), "title");
    EXPECT_EQ(tree.node_name(2), "price");
    EXPECT_EQ(tree.node_name(3), "sku");
    EXPECT_EQ(tree.node_name(4), "skus");
    EXPECT_EQ(tree.node_name(5), "item");
    EXPECT_EQ(tree.node_name(6), "R");
    EXPECT_EQ(node_at(tree, 5).children, (std::vector<int32_t>{1, 4}));
    EXPECT_EQ(node_at(tree, 1).parent, 5);
    EXPECT_EQ(node_at(tree, 4).parent, 5);
    EXPECT_EQ(node_at(tree, 6).parent, 0);
    EXPECT_EQ(node_at(tree, 1).text, "T");
    EXPECT_EQ(tree.check_index(6), 0);
    EXPECT_EQ(tree.check_index(3), 1);
    EXPECT_EQ(tree.check_index(7), -1);
    EXPECT_EQ(tree.check_index(0), -1);
}

TEST(XmlTreeNumbering, ThreeChildrenThenRoot) {
    XmlTree tree;
    ASSERT_EQ(tree.load("<r><a/><b></b><c>x</c></r>"), 1);
    EXPECT_EQ(tree.root(), 4);
    EXPECT_EQ(node_at(tree, 0).children, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(tree.node_slot_count(), 4);
}

TEST(XmlTreeNumbering, SelfClosingElementIndexedAtOnce) {
    XmlTree tree;
    ASSERT_EQ(tree.load("<r><a><b/><c></c></a></r>"), 1);
    const XmlNode b = node_at(tree, 1);
    EXPECT_EQ(b.name, "b");
    EXPECT_EQ(b.text, "");
    EXPECT_EQ(b.parent, 3);  // a closes third
    EXPECT_EQ(node_at(tree, 2).name, "c");
}

TEST(XmlTreeNumbering, SeveralTopLevelElementsLastClosedIsRoot) {
    XmlTree tree;
    ASSERT_EQ(tree.load("<a></a><b><c/></b>"), 1);
    EXPECT_EQ(tree.root(), 3);
    EXPECT_EQ(tree.node_name(0), "b");
    EXPECT_EQ(node_at(tree, 1).parent, 0);
}

struct LoadCase {
    const char* name;
    std::string document;
    int result;
    int32_t root;
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

class XmlTreeLoadOutcome : public ::testing::TestWithParam<LoadCase> {};

TEST_P(XmlTreeLoadOutcome, FailureLeavesAnEmptyTree) {
    const auto& c = GetParam();
    XmlTree tree;
    ASSERT_EQ(tree.load("<old><x>1</x></old>"), 1);
    EXPECT_EQ(tree.load(c.document), c.result);
    EXPECT_EQ(tree.root(), c.root);
    if (c.result == 0) {
        EXPECT_EQ(tree.node_slot_count(), 0);
        EXPECT_EQ(tree.to_text(), "");
        EXPECT_EQ(tree.find_index("old"), -1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    FailureTable, XmlTreeLoadOutcome,
    ::testing::Values(LoadCase{"text_before_first_tag", "abc<a></a>", 0, 0},
                      LoadCase{"piece_without_gt", "<a><b</a>", 0, 0},
                      LoadCase{"closing_and_self_closing", "<a></a/>", 0, 0},
                      LoadCase{"end_tag_name_differs", "<a></b>", 0, 0},
                      LoadCase{"end_tag_names_are_case_sensitive", "<a></A>", 0, 0},
                      LoadCase{"text_after_end_tag", "<r><a></a>x</r>", 0, 0},
                      LoadCase{"text_interrupted_by_child", "<r>one<a></a>two</r>", 0, 0},
                      LoadCase{"text_after_self_closing_child_ignored", "<r>one<a/>two</r>", 1, 2},
                      LoadCase{"end_tag_without_open_element", "</a>", 0, 0},
                      LoadCase{"attribute_without_equals", "<a b></a>", 0, 0},
                      LoadCase{"open_elements_dropped", "<a><b></b>", 1, 1},
                      LoadCase{"nothing_closes", "<a><b>", 1, 0},
                      LoadCase{"empty_buffer", "", 1, 0},
                      LoadCase{"whitespace_after_end_tags", "<r>\r\n <a></a>\r\n</r>\r\n", 1, 2},
                      LoadCase{"declaration_comment_doctype",
                               "<?xml version=\"1.0\"?><!DOCTYPE r><!-- c --><r/>", 1, 1},
                      // A "<" inside a comment starts a piece that is read as a tag.
                      LoadCase{"lt_inside_comment", "<r><!-- a < b --></r>", 0, 0},
                      LoadCase{"comment_inside_element", "<r><!-- note --><a/></r>", 1, 2}),
    [](const auto& info) { return info.param.name; });

TEST(XmlTreeText, WhitespaceOnlyBecomesEmptyOtherTextKeepsItsBlanks) {
    XmlTree tree;
    ASSERT_EQ(tree.load("<r>\r\n\t <a>  x y \n</a><b> \t</b></r>"), 1);
    EXPECT_EQ(node_at(tree, 1).text, "  x y \n");
    EXPECT_EQ(node_at(tree, 2).text, "");
    EXPECT_EQ(node_at(tree, 0).text, "");
}

TEST(XmlTreeText, EntitiesStayAsWrittenAndNulEndsTheText) {
    XmlTree tree;
    ASSERT_EQ(tree.load(std::string("<r><a>&amp;&lt;b&gt;</a><c>x\0y</c></r>", 34)), 1);
    EXPECT_EQ(node_at(tree, 1).text, "&amp;&lt;b&gt;");
    EXPECT_EQ(node_at(tree, 2).text, "x");
}

TEST(XmlTreeCdata, ContentComesBackUnchanged) {
    XmlTree tree;
    ASSERT_EQ(tree.load("<r><d><![CDATA[<p>a]]b > c</p>]]></d><e>x<![CDATA[kept]]>y</e></r>"), 1);
    EXPECT_EQ(node_at(tree, 1).text, "<p>a]]b > c</p>");
    // The section replaces the whole text.
    EXPECT_EQ(node_at(tree, 2).text, "kept");
}

TEST(XmlTreeCdata, UnterminatedSectionEndsExtraction) {
    XmlTree tree;
    std::string buffer = "<r><a><![CDATA[x]]></a><b><![CDATA[open</b></r>";
    EXPECT_EQ(tree.extract_cdata(buffer), 1);
    EXPECT_NE(buffer.find("<b><![CDATA[open</b></r>"), std::string::npos);
    EXPECT_EQ(tree.load("<r><a><![CDATA[x]]></a><b><![CDATA[open</b></r>"), 1);
    EXPECT_EQ(node_at(tree, 1).text, "x");
    EXPECT_EQ(node_at(tree, 2).text, "");
}

TEST(XmlTreeCdata, PlaceholdersAndRestore) {
    XmlTree tree;
    std::string buffer = "<a><![CDATA[one]]></a><b><![CDATA[]]></b>";
    ASSERT_EQ(tree.extract_cdata(buffer), 2);
    const std::string marker = buffer.substr(3, 6);
    EXPECT_EQ(marker[0], '@');
    EXPECT_EQ(buffer, "<a>" + marker + ",1.</a><b>" + marker + ",2.</b>");
    EXPECT_EQ(tree.restore_cdata("before " + marker + ",1. after"), "one");
    EXPECT_EQ(tree.restore_cdata(marker + ",2."), "");
    EXPECT_EQ(tree.restore_cdata(marker + ",3."), marker + ",3.");
    EXPECT_EQ(tree.restore_cdata("plain"), "plain");
}

TEST(XmlTreeCdata, SectionEndInsideTwoByteCharacterIsNotTheEnd) {
    // B0 5D is one character whose trail byte is "]".
    XmlTree tree;
    ASSERT_EQ(tree.load("<a><![CDATA[x\xB0]]]></a>"), 1);
    EXPECT_EQ(node_at(tree, 1).text, "x\xB0]");
}

TEST(XmlTreeMarker, AbsentFromTheBufferAndSixBytes) {
    const std::string buffer = "@ABCDE text";
    for (int i = 0; i < 50; ++i) {
        const std::string marker = XmlTree::make_marker(buffer);
        ASSERT_EQ(marker.size(), 6u);
        EXPECT_EQ(buffer.find(marker), std::string::npos);
        for (char c : marker.substr(1)) {
            EXPECT_TRUE(c >= 'A' && c <= 'Z');
        }
    }
    std::string every_letter;
    for (char c = 'A'; c <= 'Z'; ++c) {
        every_letter += std::string("@") + c;
    }
    EXPECT_EQ(XmlTree::make_marker(every_letter, 1), "");
}

TEST(XmlTreeAttributes, QuotesAndBlanksAroundEquals) {
    XmlTree tree;
    ASSERT_EQ(tree.load("<r a = \"1\" b='2' c=\"x = y\" d=\"q\"\"r\"/>"), 1);
    const XmlNode r = node_at(tree, 1);
    EXPECT_EQ(r.name, "r");
    EXPECT_EQ(r.attributes,
              (std::vector<XmlAttribute>{{"a", "1"}, {"b", "'2'"}, {"c", "x=y"}, {"d", "qr"}}));
}

TEST(XmlTreeAttributes, ParseTagPieces) {
    XmlTree tree;
    XmlNode record;
    const std::string piece = "item  id=\"5\" >text";
    ASSERT_EQ(tree.parse_tag(piece, piece.find('>'), record, 1), 1);
    EXPECT_EQ(record.name, "item");
    EXPECT_EQ(record.attributes, (std::vector<XmlAttribute>{{"id", "5"}}));
    EXPECT_EQ(record.text, "text");
    const std::string self_closing = "br/>";
    ASSERT_EQ(tree.parse_tag(self_closing, 3, record, 0), 1);
    EXPECT_EQ(record.name, "br");
    EXPECT_EQ(record.text, "");
    EXPECT_EQ(tree.parse_tag("a b>", 3, record, 1), 0);
}

TEST(XmlTreeScanning, ClosingNameAndQuoteAwareSplit) {
    std::string name;
    EXPECT_EQ(XmlTree::closing_tag_name("/item >\r\n  ", name), 1);
    EXPECT_EQ(name, "item");
    XmlTree::closing_tag_name("/item>x", name);
    EXPECT_EQ(name, "itemx");

    std::vector<std::string_view> pieces;
    XmlTree::split_outside_quotes("a<b c=\"<\">d<e", "<", pieces);
    EXPECT_EQ(pieces, (std::vector<std::string_view>{"a", "b c=\"<\">d", "e"}));

    XmlTree tree;
    EXPECT_EQ(tree.load("<r><a t=\"x<y\"/></r>"), 0);
    EXPECT_EQ(tree.load("<r><a t=\"x<y\"/></r>", 0, 1), 1);
    EXPECT_EQ(node_at(tree, 1).attributes, (std::vector<XmlAttribute>{{"t", "x<y"}}));
}

struct EncodingCase {
    const char* name;
    std::string declaration;
    int force;
    bool converted;
};

void PrintTo(const EncodingCase& c, std::ostream* os) { *os << c.name; }

class XmlTreeEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(XmlTreeEncoding, UtfEightDeclaredIsConverted) {
    const auto& c = GetParam();
    std::string buffer = c.declaration + "<t>宝贝</t>";
    EXPECT_EQ(XmlTree::convert_encoding(buffer, c.force), c.converted ? 1 : 0);
    const std::string original = c.declaration + "<t>宝贝</t>";
    EXPECT_EQ(buffer, c.converted ? utf8_to_gbk(original) : original);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlTreeEncoding,
    ::testing::Values(
        EncodingCase{"utf8_lower", "<?xml version=\"1.0\" encoding=\"utf-8\"?>", 0, true},
        EncodingCase{"utf8_upper_with_blank", "<?xml version=\"1.0\" ENCODING = \"UTF-8\" ?>", 0,
                     true},
        EncodingCase{"gb2312_never", "<?xml version=\"1.0\" encoding=\"gb2312\"?>", 1, false},
        EncodingCase{"none_unforced", "", 0, false}, EncodingCase{"none_forced", "", 1, true},
        EncodingCase{"standalone_after_encoding",
                     "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>", 0, false},
        EncodingCase{"gbk_unforced", "<?xml version=\"1.0\" encoding=\"GBK\"?>", 0, false}),
    [](const auto& info) { return info.param.name; });

struct PathCase {
    const char* name;
    const char* path;
    const char* expected_name;  // nullptr: the path names nothing
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }

class XmlTreePaths : public ::testing::TestWithParam<PathCase> {};

const char* const path_document =
    "<item_get_response><item><title>T</title><skus><sku><price>1</price></sku>"
    "<sku><price>2</price></sku></skus><Title>U</Title></item></item_get_response>";
// Indices: title 1, price 2, sku 3, price 4, sku 5, skus 6, Title 7, item 8, root 9.

TEST_P(XmlTreePaths, Resolve) {
    const auto& c = GetParam();
    XmlTree tree;
    ASSERT_EQ(tree.load(path_document), 1);
    const int32_t index = tree.find_index(c.path);
    XmlNode node;
    node.name = "kept";
    node.children = {99};
    const int found = tree.get_node_by_path(c.path, node);
    if (c.expected_name == nullptr) {
        EXPECT_EQ(index, -1);
        EXPECT_EQ(found, 0);
        EXPECT_EQ(node.name, "kept");
        EXPECT_TRUE(node.children.empty());
    } else {
        ASSERT_GE(index, 1);
        EXPECT_EQ(found, 1);
        EXPECT_EQ(node.name, c.expected_name);
        EXPECT_EQ(node.index, index);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlTreePaths,
    ::testing::Values(PathCase{"by_names", "item_get_response/item/title", "title"},
                      PathCase{"names_case_sensitive", "item_get_response/item/Title", "Title"},
                      PathCase{"root_by_position", "@1/item/skus", "skus"},
                      PathCase{"nth_child", "item_get_response/item/skus/@2/price", "price"},
                      PathCase{"nth_child_too_far", "item_get_response/item/skus/@3/price",
                               nullptr},
                      PathCase{"nth_child_zero", "item_get_response/item/skus/@0", nullptr},
                      PathCase{"first_segment_not_root", "item/title", nullptr},
                      PathCase{"root_position_two", "@2/item", nullptr},
                      PathCase{"at_alone", "item_get_response/@", nullptr},
                      PathCase{"absolute_index", "@#7", "Title"},
                      PathCase{"absolute_index_mid_path", "item_get_response/@#3/price", "price"},
                      PathCase{"absolute_root", "item_get_response/item/@#0/item", "item"},
                      PathCase{"absolute_not_live", "@#10", nullptr},
                      PathCase{"absolute_not_a_number", "@#x", nullptr},
                      PathCase{"empty_path", "", nullptr},
                      PathCase{"trailing_slash", "item_get_response/item/", nullptr},
                      PathCase{"missing_child", "item_get_response/item/desc", nullptr},
                      PathCase{"error_answer_style", "@1/msg", nullptr}),
    [](const auto& info) { return info.param.name; });

TEST(XmlTreePaths, EmptyPathFailsEvenForARootWithoutAName) {
    XmlTree tree;
    ASSERT_EQ(tree.load("< >x</ >"), 1);
    EXPECT_EQ(tree.node_name(0), "");
    EXPECT_EQ(tree.find_index(""), -1);
    EXPECT_EQ(tree.find_index("@1"), 1);
}

TEST(XmlTreePaths, NodePathWalksBackToEveryNode) {
    XmlTree tree;
    ASSERT_EQ(tree.load(path_document), 1);
    EXPECT_EQ(tree.node_path(tree.root()), "@1");
    EXPECT_EQ(tree.node_path(0), "@1");
    EXPECT_EQ(tree.node_path(4), "@1/@1/@2/@2/@1");
    for (int32_t i = 1; i <= tree.node_slot_count(); ++i) {
        EXPECT_EQ(tree.find_index(tree.node_path(i)), i) << tree.node_path(i);
    }
    EXPECT_EQ(tree.node_path(42), "");
}

TEST(XmlTreeWrite, DocumentTextAndRoundTrip) {
    XmlTree tree;
    ASSERT_EQ(tree.load("<r k = \"v\"><a>x&amp;y</a><b><![CDATA[<p>]]></b><c/></r>"), 1);
    const std::string text = tree.to_text();
    EXPECT_EQ(text,
              "<?xml version=\"1.0\" encoding=\"gb2312\"?><r k=\"v\"><a>x&amp;y</a>"
              "<b><![CDATA[<p>]]></b><c></c></r>");
    XmlTree again;
    ASSERT_EQ(again.load(text), 1);
    EXPECT_EQ(again.to_text(), text);

    std::string appended = "prefix:";
    tree.write_node(1, appended);
    EXPECT_EQ(appended, "prefix:<a>x&amp;y</a>");
}

TEST(XmlTreeWrite, RootWithoutNameWritesNothing) {
    XmlTree tree;
    EXPECT_EQ(tree.to_text(), "");
    tree.insert_node();
    std::string text = "untouched";
    tree.write_node(0, text);
    EXPECT_EQ(text, "untouched");
}

TEST(XmlTreeDepth, DeepTreesNeedNoDeepStack) {
    const int depth = 200000;
    std::string document;
    for (int i = 0; i < depth; ++i) {
        document += "<a>";
    }
    document += "x";
    for (int i = 0; i < depth; ++i) {
        document += "</a>";
    }
    XmlTree tree;
    ASSERT_EQ(tree.load(document), 1);
    ASSERT_EQ(tree.root(), depth);
    EXPECT_EQ(tree.to_text().size(), document.size() + 39);
    XmlTree copy = tree.copy();
    EXPECT_EQ(tree.node_path(1).size(), 2 + 3 * static_cast<size_t>(depth - 1));
    EXPECT_EQ(copy.delete_node(depth - 1), 1);
    EXPECT_EQ(copy.check_index(1), -1);
    EXPECT_EQ(copy.to_text(), "<?xml version=\"1.0\" encoding=\"gb2312\"?><a></a>");
    EXPECT_EQ(tree.check_index(1), 1);
}

TEST(XmlTreeDepth, UnclosedElementsAreDropped) {
    std::string document;
    for (int i = 0; i < 300000; ++i) {
        document += "<a>";
    }
    XmlTree tree;
    EXPECT_EQ(tree.load(document), 1);
    EXPECT_EQ(tree.root(), 0);
    EXPECT_EQ(tree.node_slot_count(), 0);
}

TEST(XmlTreeEditing, DeleteInsertReuseAndMove) {
    XmlTree tree;
    ASSERT_EQ(tree.load("<r><a><x/></a><b/><c/></r>"), 1);
    // x 1, a 2, b 3, c 4, r 5
    EXPECT_EQ(tree.delete_node(5), 0);
    EXPECT_EQ(tree.delete_node(0), 0);
    EXPECT_EQ(tree.delete_node(9), -1);
    EXPECT_EQ(tree.delete_node(2), 1);
    EXPECT_EQ(tree.check_index(1), -1);
    EXPECT_EQ(tree.check_index(2), -1);
    EXPECT_EQ(node_at(tree, 0).children, (std::vector<int32_t>{3, 4}));
    EXPECT_EQ(tree.delete_node(2), -1);

    // Freed indices come back in the order they were freed: 2, then 1.
    EXPECT_EQ(tree.insert_node(0), 2);
    EXPECT_EQ(tree.insert_node(3), 1);
    EXPECT_EQ(tree.insert_node(3), 6);
    EXPECT_EQ(tree.insert_node(42), -1);
    EXPECT_EQ(node_at(tree, 2).name, "");
    EXPECT_EQ(node_at(tree, 0).children, (std::vector<int32_t>{3, 4, 2}));
    EXPECT_EQ(node_at(tree, 3).children, (std::vector<int32_t>{1, 6}));
    EXPECT_EQ(node_at(tree, 1).parent, 3);

    EXPECT_EQ(tree.modify_node(4, std::string("moved"), std::string("t"),
                               std::vector<XmlAttribute>{{"k", "v"}}, -1),
              1);
    EXPECT_EQ(node_at(tree, 0).children, (std::vector<int32_t>{4, 3, 2}));
    EXPECT_EQ(tree.modify_node(4, std::nullopt, std::nullopt, std::nullopt, -1), 1);
    EXPECT_EQ(node_at(tree, 0).children, (std::vector<int32_t>{4, 3, 2}));
    const XmlNode moved = node_at(tree, 4);
    EXPECT_EQ(moved.name, "moved");
    EXPECT_EQ(moved.text, "t");
    EXPECT_EQ(moved.attributes, (std::vector<XmlAttribute>{{"k", "v"}}));
    EXPECT_EQ(tree.modify_node(77, std::string("x")), 0);

    EXPECT_EQ(tree.insert_node(), 1);
    EXPECT_EQ(tree.node_slot_count(), 1);
    EXPECT_EQ(tree.root(), 1);
}

TEST(XmlTreeEditing, EditAttributesOperators) {
    std::vector<XmlAttribute> list{{"a", "1"}, {"b", "2"}};
    std::string text = "c=\"3 4\" junk d=5";
    XmlTree::edit_attributes(list, "+", text);
    EXPECT_EQ(text, "");
    EXPECT_EQ(list, (std::vector<XmlAttribute>{{"a", "1"}, {"b", "2"}, {"c", "3 4"}, {"d", "5"}}));
    text = "a= b=";
    XmlTree::edit_attributes(list, "-", text);
    EXPECT_EQ(list, (std::vector<XmlAttribute>{{"c", "3 4"}, {"d", "5"}}));
    text = "d=6";
    XmlTree::edit_attributes(list, "%", text);
    EXPECT_EQ(list[1].value, "6");
    text = "z=0";
    XmlTree::edit_attributes(list, "?", text);
    EXPECT_EQ(list.size(), 2u);
    text = "ignored";
    XmlTree::edit_attributes(list, ">", text);
    EXPECT_EQ(text, " c=\"3 4\" d=\"6\"");
    text = "only=1";
    XmlTree::edit_attributes(list, "<", text);
    EXPECT_EQ(list, (std::vector<XmlAttribute>{{"only", "1"}}));
}

TEST(XmlTreeConcurrency, WorkersLoadCdataAnswersAtOnce) {
    std::vector<std::thread> workers;
    std::vector<int> wrong(5, 0);
    for (int w = 0; w < 5; ++w) {
        workers.emplace_back([w, &wrong] {
            XmlTree tree;
            const std::string text = "worker " + std::to_string(w);
            const std::string document = "<r><d><![CDATA[" + text + "<b>]]></d></r>";
            for (int i = 0; i < 300; ++i) {
                XmlNode node;
                if (tree.load(document) != 1 || tree.get_node(1, node) != 1 ||
                    node.text != text + "<b>") {
                    ++wrong[static_cast<size_t>(w)];
                }
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(wrong, std::vector<int>(5, 0));
}

}  // namespace
}  // namespace quorvane
