#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "xml/xml_tree.h"

// The document API over one XmlTree: load an answer, read texts and child
// counts by path. A path that names nothing reads "" and 0; a failed load
// leaves an empty tree, so every later query reads "" and 0.
namespace quorvane {

class XmlDocument {
public:
    void release() { tree_.release(); }
    XmlDocument copy() const { return *this; }

    // Refuses an empty name and one starting with "@", "<" or a blank.
    int create_root(std::string_view name);
    int load(std::string_view buffer, int force_utf8 = 0, int quote_aware = 0) {
        return tree_.load(buffer, force_utf8, quote_aware);
    }
    bool save_to_file(const std::filesystem::path& file) const;
    void clear() { tree_.clear(); }

    int read_root_name(std::string& name) const;
    int node_exists(std::string_view path, int32_t& child_count) const;
    int child_names(std::string_view path, std::vector<std::string>& names) const;
    // The element's own text ("" when blank), entities as written.
    std::string get_text(std::string_view path) const;
    int attribute_names(std::string_view path, std::vector<std::string>& names) const;
    int get_attribute(std::string_view path, std::string_view name, std::string& value) const;
    int add_child(std::string_view path, std::string_view name, std::string_view text);
    int add_attribute(std::string_view path, std::string_view name, std::string_view value);
    int delete_element(std::string_view path);
    int remove_attribute(std::string_view path, std::string_view name);
    int set_name(std::string_view path, std::string_view name);
    int set_text(std::string_view path, std::string_view text);
    int rename_attribute(std::string_view path, std::string_view old_name,
                         std::string_view new_name);
    int set_attribute(std::string_view path, std::string_view name, std::string_view value);
    std::string root_name(int& found) const;
    int32_t child_count(std::string_view path, int& found) const;
    int32_t attribute_count(std::string_view path, int& found) const;
    std::string to_bytes() const { return tree_.to_text(); }
    XmlTree get_tree() const { return tree_.copy(); }
    void set_tree(const XmlTree& tree) { tree_ = tree.copy(); }

private:
    // Reads the element a path names, edits its attributes, writes them back.
    template <typename Edit>
    int edit_attributes_at(std::string_view path, Edit edit);

    XmlTree tree_;
};

}  // namespace quorvane
