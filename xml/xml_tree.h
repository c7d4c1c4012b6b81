#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xml/xml_node.h"

// A lenient single-pass reader of XML answers into a flat table of element
// nodes, and path look-ups over it. Not a conforming parser: entities stay
// as written, "<?" and "<!" pieces are skipped, texts are GBK.
//
// Elements are numbered from 1 in the order they END (post-order), so the
// root is the last element closed and has the largest index. A failed load
// leaves the tree empty, never half built. Indices of deleted nodes go on a
// free list and are reused by insert_node.
//
// Paths: segments joined by "/". The first is the root's name or "@1"; then
// a child's name (first of that name, case-sensitive) or "@N", the N-th
// child from 1. "@#N" names node N directly, "@#0" the root.
namespace quorvane {

class XmlTree {
public:
    XmlTree() = default;

    void release();
    XmlTree copy() const { return *this; }

    // The whole document: an XML declaration naming gb2312, then the root.
    std::string to_text() const;
    // Appends node `index` and its subtree to `text`; index 0 replaces
    // `text` by the whole document (nothing when the root has no name).
    void write_node(int32_t index, std::string& text) const;

    // 1 when the tree was built, 0 otherwise (the tree is then empty). A
    // document declared "utf-8" (or any with force_utf8) is converted to
    // GBK first; quote_aware keeps a "<" inside double quotes in its piece.
    int load(std::string_view buffer, int force_utf8 = 0, int quote_aware = 0);
    void clear();

    // -1 not live, 0 the root, 1 any other live node.
    int check_index(int32_t index) const;
    // Index 0 means the root. 1 and a copy, or 0.
    int get_node(int32_t index, XmlNode& out) const;
    // 0 for the root (refused), -1 for an index that is not live, else 1.
    int delete_node(int32_t index);
    void free_subtree(int32_t index);
    int modify_node(int32_t index, const std::optional<std::string>& name = std::nullopt,
                    const std::optional<std::string>& text = std::nullopt,
                    const std::optional<std::vector<XmlAttribute>>& attributes = std::nullopt,
                    std::optional<int32_t> move_by = std::nullopt);
    // Without a parent: empties the tree and creates node 1 as the root.
    // With one (0 = the root): the new index, or -1 when it is not live.
    int32_t insert_node(std::optional<int32_t> parent = std::nullopt);

    int32_t find_index(std::string_view path) const;
    std::string node_path(int32_t index) const;
    // On failure the out record's lists are emptied, its name and text kept.
    int get_node_by_path(std::string_view path, XmlNode& out) const;

    // Operators: "+" append, "-" remove by name, "%" set values by name,
    // "<" replace all, ">" write the list into attribute_text.
    static void edit_attributes(std::vector<XmlAttribute>& attributes, std::string_view op,
                                std::string& attribute_text);

    // From index `from` (-1 = document level): the next index, 0 for the
    // root, -1 for no match.
    int32_t resolve_step(int32_t from, std::string_view segment) const;
    std::string node_name(int32_t index) const;

    // Cuts the CDATA sections out of `buffer` into the store, leaving
    // placeholders; the number of sections.
    int extract_cdata(std::string& buffer);
    int build_tree(std::string_view buffer, int quote_aware);
    static void split_outside_quotes(std::string_view buffer, std::string_view separator,
                                     std::vector<std::string_view>& pieces);
    static int closing_tag_name(std::string_view piece, std::string& name);
    // `last_gt` is the position (from 0) of the piece's last ">".
    int parse_tag(std::string_view piece, size_t last_gt, XmlNode& record, int open) const;
    // "@" and `letters` capital letters, occurring nowhere in `buffer`; ""
    // after 100 attempts.
    static std::string make_marker(std::string_view buffer, int letters = 5);
    std::string restore_cdata(std::string_view buffer) const;
    static int convert_encoding(std::string& buffer, int force);
    int32_t node_slot_count() const { return static_cast<int32_t>(slots_.size()); }

    // Direct reads for XmlDocument's queries, without copying the node.
    std::string_view text_of(int32_t index) const;
    int32_t child_count_of(int32_t index) const;
    int32_t root() const { return root_; }

    // The largest buffer load accepts (spans are 32-bit).
    static constexpr size_t max_buffer_bytes = size_t{1} << 30;

private:
    // Texts live in one of two arenas: the loaded buffer itself (names and
    // texts usually stand there unchanged) or `extra_` for anything made up.
    // The top bit of `offset` marks the `extra_` arena; both arenas stay
    // below 2 GiB (the loaded buffer is capped at 1 GiB).
    struct Span {
        static constexpr uint32_t extra_bit = 0x80000000u;
        uint32_t offset = 0;
        uint32_t length = 0;
    };
    struct AttributeSlot {
        Span name;
        Span value;
    };
    struct ListSpan {
        uint32_t offset = 0;
        uint32_t length = 0;
    };
    struct Slot {
        Span name;
        Span text;
        ListSpan attributes;  // into attribute_pool_
        ListSpan children;    // into child_pool_
        int32_t parent = 0;
    };
    struct TagParts;

    bool live(int32_t index) const;
    int32_t resolve_root_alias(int32_t index) const { return index == 0 ? root_ : index; }
    std::string_view view(const Span& span) const;
    Span store(std::string_view text);
    const int32_t* children_begin(const Slot& slot) const;
    std::vector<int32_t> children_of(const Slot& slot) const;
    void set_children(Slot& slot, const std::vector<int32_t>& children);
    void set_attributes(Slot& slot, const std::vector<XmlAttribute>& attributes);
    XmlNode materialize(int32_t index) const;
    bool parse_tag_parts(std::string_view piece, size_t last_gt, bool open, TagParts& parts) const;
    int32_t walk(std::string_view path) const;
    std::string_view restored_text(std::string_view buffer) const;

    std::string source_;
    std::string extra_;
    std::vector<Slot> slots_;  // slot i - 1 holds node i
    std::vector<AttributeSlot> attribute_pool_;
    std::vector<int32_t> child_pool_;
    std::vector<std::string> cdata_store_;
    std::string cdata_marker_;
    int32_t root_ = 0;
    std::vector<int32_t> free_indices_;
    std::vector<bool> freed_;
};

}  // namespace quorvane
