#include "xml/xml_document.h"

#include <fstream>

namespace quorvane {

int XmlDocument::create_root(std::string_view name) {
    if (name.empty()) {
        return 0;
    }
    const char first = name.front();
    if (first == '@' || first == '<' || first == ' ' || first == '\t' || first == '\r' ||
        first == '\n') {
        return 0;
    }
    tree_.insert_node();
    return tree_.modify_node(1, std::string(name));
}

bool XmlDocument::save_to_file(const std::filesystem::path& file) const {
    const std::string bytes = tree_.to_text();
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    return static_cast<bool>(out);
}

int XmlDocument::read_root_name(std::string& name) const {
    if (tree_.root() < 1) {
        return 0;
    }
    name = tree_.node_name(0);
    return 1;
}

int XmlDocument::node_exists(std::string_view path, int32_t& child_count) const {
    const int32_t index = tree_.find_index(path);
    child_count = index < 1 ? 0 : tree_.child_count_of(index);
    return index < 1 ? 0 : 1;
}

int XmlDocument::child_names(std::string_view path, std::vector<std::string>& names) const {
    names.clear();
    XmlNode node;
    if (!tree_.get_node_by_path(path, node)) {
        return 0;
    }
    for (const int32_t child : node.children) {
        names.push_back(tree_.node_name(child));
    }
    return 1;
}

std::string XmlDocument::get_text(std::string_view path) const {
    const int32_t index = tree_.find_index(path);
    return index < 1 ? std::string() : std::string(tree_.text_of(index));
}

int XmlDocument::attribute_names(std::string_view path, std::vector<std::string>& names) const {
    names.clear();
    XmlNode node;
    if (!tree_.get_node_by_path(path, node)) {
        return 0;
    }
    for (const XmlAttribute& a : node.attributes) {
        names.push_back(a.name);
    }
    return 1;
}

int XmlDocument::get_attribute(std::string_view path, std::string_view name,
                               std::string& value) const {
    XmlNode node;
    if (!tree_.get_node_by_path(path, node)) {
        return 0;
    }
    for (const XmlAttribute& a : node.attributes) {
        if (a.name == name) {
            value = a.value;
            return 1;
        }
    }
    return 0;
}

int XmlDocument::add_child(std::string_view path, std::string_view name, std::string_view text) {
    const int32_t parent = tree_.find_index(path);
    if (parent < 1) {
        return 0;
    }
    const int32_t child = tree_.insert_node(parent);
    if (child < 1) {
        return 0;
    }
    return tree_.modify_node(child, std::string(name), std::string(text));
}

template <typename Edit>
int XmlDocument::edit_attributes_at(std::string_view path, Edit edit) {
    const int32_t index = tree_.find_index(path);
    if (index < 1) {
        return 0;
    }
    XmlNode node;
    tree_.get_node(index, node);
    if (!edit(node.attributes)) {
        return 0;
    }
    return tree_.modify_node(index, std::nullopt, std::nullopt, node.attributes);
}

int XmlDocument::add_attribute(std::string_view path, std::string_view name,
                               std::string_view value) {
    return edit_attributes_at(path, [&](std::vector<XmlAttribute>& attributes) {
        attributes.push_back({std::string(name), std::string(value)});
        return true;
    });
}

int XmlDocument::delete_element(std::string_view path) {
    const int32_t index = tree_.find_index(path);
    return index >= 1 && tree_.delete_node(index) > 0 ? 1 : 0;
}

int XmlDocument::remove_attribute(std::string_view path, std::string_view name) {
    return edit_attributes_at(path, [&](std::vector<XmlAttribute>& attributes) {
        for (auto it = attributes.begin(); it != attributes.end(); ++it) {
            if (it->name == name) {
                attributes.erase(it);
                return true;
            }
        }
        return false;
    });
}

int XmlDocument::set_name(std::string_view path, std::string_view name) {
    const int32_t index = tree_.find_index(path);
    return index < 1 ? 0 : tree_.modify_node(index, std::string(name));
}

int XmlDocument::set_text(std::string_view path, std::string_view text) {
    const int32_t index = tree_.find_index(path);
    return index < 1 ? 0 : tree_.modify_node(index, std::nullopt, std::string(text));
}

int XmlDocument::rename_attribute(std::string_view path, std::string_view old_name,
                                  std::string_view new_name) {
    return edit_attributes_at(path, [&](std::vector<XmlAttribute>& attributes) {
        for (XmlAttribute& a : attributes) {
            if (a.name == old_name) {
                a.name = std::string(new_name);
                return true;
            }
        }
        return false;
    });
}

int XmlDocument::set_attribute(std::string_view path, std::string_view name,
                               std::string_view value) {
    return edit_attributes_at(path, [&](std::vector<XmlAttribute>& attributes) {
        for (XmlAttribute& a : attributes) {
            if (a.name == name) {
                a.value = std::string(value);
                return true;
            }
        }
        return false;
    });
}

std::string XmlDocument::root_name(int& found) const {
    found = tree_.root() >= 1 ? 1 : 0;
    return tree_.node_name(0);
}

int32_t XmlDocument::child_count(std::string_view path, int& found) const {
    const int32_t index = tree_.find_index(path);
    found = index < 1 ? 0 : 1;
    return index < 1 ? 0 : tree_.child_count_of(index);
}

int32_t XmlDocument::attribute_count(std::string_view path, int& found) const {
    XmlNode node;
    found = tree_.get_node_by_path(path, node);
    return found ? static_cast<int32_t>(node.attributes.size()) : 0;
}

}  // namespace quorvane
