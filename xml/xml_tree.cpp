#include "xml/xml_tree.h"

#include <algorithm>
#include <charconv>

namespace quorvane {

void XmlTree::release() { *this = XmlTree(); }

// Keeps the storage's capacity: a worker reloads its document for every
// item, and giving large buffers back to the system each time costs more
// than the parse.
void XmlTree::clear() {
    source_.clear();
    extra_.clear();
    slots_.clear();
    attribute_pool_.clear();
    child_pool_.clear();
    cdata_store_.clear();
    cdata_marker_.clear();
    root_ = 0;
    free_indices_.clear();
    freed_.clear();
}

bool XmlTree::live(int32_t index) const {
    return index >= 1 && static_cast<size_t>(index) <= slots_.size() &&
           !freed_[static_cast<size_t>(index - 1)];
}

std::string_view XmlTree::view(const Span& span) const {
    const bool extra = (span.offset & Span::extra_bit) != 0;
    const std::string& arena = extra ? extra_ : source_;
    return std::string_view(arena).substr(span.offset & ~Span::extra_bit, span.length);
}

XmlTree::Span XmlTree::store(std::string_view text) {
    auto inside = [text](const std::string& arena) {
        return !text.empty() && text.data() >= arena.data() &&
               text.data() + text.size() <= arena.data() + arena.size();
    };
    if (text.empty()) {
        return Span{};
    }
    if (inside(source_)) {
        return Span{static_cast<uint32_t>(text.data() - source_.data()),
                    static_cast<uint32_t>(text.size())};
    }
    if (inside(extra_)) {
        return Span{static_cast<uint32_t>(text.data() - extra_.data()) | Span::extra_bit,
                    static_cast<uint32_t>(text.size())};
    }
    if (extra_.size() + text.size() >= Span::extra_bit) {
        return Span{};  // only endless editing gets here
    }
    const auto offset = static_cast<uint32_t>(extra_.size());
    extra_.append(text);
    return Span{offset | Span::extra_bit, static_cast<uint32_t>(text.size())};
}

const int32_t* XmlTree::children_begin(const Slot& slot) const {
    return child_pool_.data() + slot.children.offset;
}

std::vector<int32_t> XmlTree::children_of(const Slot& slot) const {
    const int32_t* begin = children_begin(slot);
    return std::vector<int32_t>(begin, begin + slot.children.length);
}

// Lists are blocks in a pool; a changed list is written as a new block at
// the end (only editing does this; the old block is left unused).
void XmlTree::set_children(Slot& slot, const std::vector<int32_t>& children) {
    if (slot.children.offset + slot.children.length == child_pool_.size() &&
        children.size() >= slot.children.length) {
        child_pool_.resize(slot.children.offset);
    }
    slot.children =
        ListSpan{static_cast<uint32_t>(child_pool_.size()), static_cast<uint32_t>(children.size())};
    child_pool_.insert(child_pool_.end(), children.begin(), children.end());
}

void XmlTree::set_attributes(Slot& slot, const std::vector<XmlAttribute>& attributes) {
    std::vector<AttributeSlot> stored;
    stored.reserve(attributes.size());
    for (const XmlAttribute& a : attributes) {
        stored.push_back({store(a.name), store(a.value)});
    }
    slot.attributes = ListSpan{static_cast<uint32_t>(attribute_pool_.size()),
                               static_cast<uint32_t>(stored.size())};
    attribute_pool_.insert(attribute_pool_.end(), stored.begin(), stored.end());
}

XmlNode XmlTree::materialize(int32_t index) const {
    const Slot& slot = slots_[static_cast<size_t>(index - 1)];
    XmlNode node;
    node.name = std::string(view(slot.name));
    node.text = std::string(view(slot.text));
    node.attributes.reserve(slot.attributes.length);
    for (uint32_t i = 0; i < slot.attributes.length; ++i) {
        const AttributeSlot& a = attribute_pool_[slot.attributes.offset + i];
        node.attributes.push_back({std::string(view(a.name)), std::string(view(a.value))});
    }
    node.children = children_of(slot);
    node.parent = slot.parent;
    node.index = index;
    return node;
}

int XmlTree::check_index(int32_t index) const {
    if (!live(index)) {
        return -1;
    }
    return index == root_ ? 0 : 1;
}

int XmlTree::get_node(int32_t index, XmlNode& out) const {
    index = resolve_root_alias(index);
    if (!live(index)) {
        return 0;
    }
    out = materialize(index);
    return 1;
}

std::string XmlTree::node_name(int32_t index) const {
    index = resolve_root_alias(index);
    if (!live(index)) {
        return {};
    }
    return std::string(view(slots_[static_cast<size_t>(index - 1)].name));
}

std::string_view XmlTree::text_of(int32_t index) const {
    return live(index) ? view(slots_[static_cast<size_t>(index - 1)].text) : std::string_view();
}

int32_t XmlTree::child_count_of(int32_t index) const {
    return live(index)
               ? static_cast<int32_t>(slots_[static_cast<size_t>(index - 1)].children.length)
               : 0;
}

int XmlTree::delete_node(int32_t index) {
    if (index == 0 || (index == root_ && live(index))) {
        return 0;
    }
    if (!live(index)) {
        return -1;
    }
    const int32_t parent = slots_[static_cast<size_t>(index - 1)].parent;
    if (live(parent)) {
        Slot& parent_slot = slots_[static_cast<size_t>(parent - 1)];
        std::vector<int32_t> children = children_of(parent_slot);
        children.erase(std::remove(children.begin(), children.end(), index), children.end());
        set_children(parent_slot, children);
    }
    free_subtree(index);
    return 1;
}

void XmlTree::free_subtree(int32_t index) {
    // Depth-first, parent before children, without recursion: a deep tree
    // must not exhaust the stack.
    std::vector<int32_t> pending{index};
    while (!pending.empty()) {
        const int32_t current = pending.back();
        pending.pop_back();
        if (!live(current)) {
            continue;
        }
        free_indices_.push_back(current);
        freed_[static_cast<size_t>(current - 1)] = true;
        const Slot& slot = slots_[static_cast<size_t>(current - 1)];
        const int32_t* children = children_begin(slot);
        for (uint32_t i = slot.children.length; i > 0; --i) {
            pending.push_back(children[i - 1]);
        }
    }
}

int XmlTree::modify_node(int32_t index, const std::optional<std::string>& name,
                         const std::optional<std::string>& text,
                         const std::optional<std::vector<XmlAttribute>>& attributes,
                         std::optional<int32_t> move_by) {
    index = resolve_root_alias(index);
    if (!live(index)) {
        return 0;
    }
    if (name) {
        const Span span = store(*name);
        slots_[static_cast<size_t>(index - 1)].name = span;
    }
    if (text) {
        const Span span = store(*text);
        slots_[static_cast<size_t>(index - 1)].text = span;
    }
    if (attributes) {
        set_attributes(slots_[static_cast<size_t>(index - 1)], *attributes);
    }
    if (move_by && *move_by != 0) {
        const int32_t parent = slots_[static_cast<size_t>(index - 1)].parent;
        if (live(parent)) {
            Slot& parent_slot = slots_[static_cast<size_t>(parent - 1)];
            std::vector<int32_t> siblings = children_of(parent_slot);
            const auto it = std::find(siblings.begin(), siblings.end(), index);
            if (it != siblings.end()) {
                const int64_t i = (it - siblings.begin()) + 1;
                const int64_t j = i + *move_by;
                if (j >= 1 && j <= static_cast<int64_t>(siblings.size())) {
                    std::swap(siblings[static_cast<size_t>(i - 1)],
                              siblings[static_cast<size_t>(j - 1)]);
                    set_children(parent_slot, siblings);
                }
            }
        }
    }
    return 1;
}

int32_t XmlTree::insert_node(std::optional<int32_t> parent) {
    if (!parent) {
        clear();
        slots_.push_back(Slot{});
        freed_.push_back(false);
        root_ = 1;
        return 1;
    }
    const int32_t parent_index = resolve_root_alias(*parent);
    if (!live(parent_index)) {
        return -1;
    }
    int32_t index = 0;
    if (!free_indices_.empty()) {
        index = free_indices_.front();
        free_indices_.erase(free_indices_.begin());
        freed_[static_cast<size_t>(index - 1)] = false;
        slots_[static_cast<size_t>(index - 1)] = Slot{};
    } else {
        slots_.push_back(Slot{});
        freed_.push_back(false);
        index = static_cast<int32_t>(slots_.size());
    }
    slots_[static_cast<size_t>(index - 1)].parent = parent_index;
    Slot& parent_slot = slots_[static_cast<size_t>(parent_index - 1)];
    std::vector<int32_t> children = children_of(parent_slot);
    children.push_back(index);
    set_children(parent_slot, children);
    return index;
}

namespace {

// A segment's number: all decimal digits, saturating (a huge number simply
// names nothing). nullopt when the text is not a number.
std::optional<int64_t> segment_number(std::string_view digits) {
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    if (digits.size() > 12) {
        return INT64_MAX;
    }
    int64_t value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

}  // namespace

int32_t XmlTree::resolve_step(int32_t from, std::string_view segment) const {
    const Slot* element = nullptr;
    if (from >= 0) {
        const int32_t index = resolve_root_alias(from);
        if (!live(index)) {
            return -1;
        }
        element = &slots_[static_cast<size_t>(index - 1)];
    }
    if (segment.substr(0, 2) == "@#") {
        const auto n = segment_number(segment.substr(2));
        if (!n) {
            return -1;
        }
        if (*n == 0) {
            return 0;
        }
        return *n <= INT32_MAX ? static_cast<int32_t>(*n) : -1;
    }
    if (!segment.empty() && segment[0] == '@') {
        const auto n = segment_number(segment.substr(1));
        if (segment.size() == 1) {
            return -1;
        }
        if (n) {
            if (element == nullptr) {
                return *n == 1 ? 0 : -1;
            }
            if (*n < 1 || *n > element->children.length) {
                return -1;
            }
            return children_begin(*element)[*n - 1];
        }
    }
    if (element == nullptr) {
        if (!live(root_)) {
            return -1;
        }
        return view(slots_[static_cast<size_t>(root_ - 1)].name) == segment ? 0 : -1;
    }
    const int32_t* children = children_begin(*element);
    for (uint32_t i = 0; i < element->children.length; ++i) {
        const int32_t child = children[i];
        if (live(child) && view(slots_[static_cast<size_t>(child - 1)].name) == segment) {
            return child;
        }
    }
    return -1;
}

int32_t XmlTree::walk(std::string_view path) const {
    if (path.empty()) {
        return -1;  // no segment at all: even a root without a name is not named
    }
    int32_t current = -1;
    size_t pos = 0;
    while (true) {
        const size_t slash = path.find('/', pos);
        const std::string_view segment = path.substr(
            pos, slash == std::string_view::npos ? std::string_view::npos : slash - pos);
        const int32_t next = resolve_step(current, segment);
        if (next == -1) {
            return -1;
        }
        current = next == 0 ? root_ : next;
        if (slash == std::string_view::npos) {
            break;
        }
        pos = slash + 1;
    }
    return current >= 1 && live(current) ? current : -1;
}

int32_t XmlTree::find_index(std::string_view path) const { return walk(path); }

int XmlTree::get_node_by_path(std::string_view path, XmlNode& out) const {
    out.attributes.clear();
    out.children.clear();
    const int32_t index = walk(path);
    if (index < 1) {
        return 0;
    }
    out = materialize(index);
    return 1;
}

std::string XmlTree::node_path(int32_t index) const {
    if (index == 0 || (index == root_ && live(index))) {
        return "@1";
    }
    if (!live(index)) {
        return {};
    }
    std::vector<uint32_t> positions;
    int32_t current = index;
    // Bounded by the table's size, so a damaged parent chain cannot loop.
    for (size_t steps = 0; current != root_; ++steps) {
        const int32_t parent = slots_[static_cast<size_t>(current - 1)].parent;
        if (!live(parent) || steps > slots_.size()) {
            return {};  // not below the root: no path reaches it
        }
        const Slot& parent_slot = slots_[static_cast<size_t>(parent - 1)];
        const int32_t* children = children_begin(parent_slot);
        const int32_t* end = children + parent_slot.children.length;
        const int32_t* it = std::find(children, end, current);
        if (it == end) {
            return {};
        }
        positions.push_back(static_cast<uint32_t>(it - children) + 1);
        current = parent;
    }
    std::string path = "@1";
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
        path += "/@" + std::to_string(*it);
    }
    return path;
}

namespace {

std::vector<XmlAttribute> parse_attribute_text(std::string_view text) {
    std::vector<XmlAttribute> parsed;
    bool in_quotes = false;
    size_t start = 0;
    auto take = [&](size_t end) {
        const std::string_view token = text.substr(start, end - start);
        const size_t equals = token.find('=');
        if (equals != std::string_view::npos) {
            std::string value;
            for (char c : token.substr(equals + 1)) {
                if (c != '"') {
                    value.push_back(c);
                }
            }
            parsed.push_back({std::string(token.substr(0, equals)), std::move(value)});
        }
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            in_quotes = !in_quotes;
        } else if (!in_quotes && (c == ' ' || c == '\t')) {
            take(i);
            start = i + 1;
        }
    }
    take(text.size());
    return parsed;
}

}  // namespace

void XmlTree::edit_attributes(std::vector<XmlAttribute>& attributes, std::string_view op,
                              std::string& attribute_text) {
    const std::vector<XmlAttribute> parsed = parse_attribute_text(attribute_text);
    attribute_text.clear();
    auto named = [&parsed](const XmlAttribute& a) -> const XmlAttribute* {
        for (const XmlAttribute& p : parsed) {
            if (p.name == a.name) {
                return &p;
            }
        }
        return nullptr;
    };
    if (op == "+") {
        attributes.insert(attributes.end(), parsed.begin(), parsed.end());
    } else if (op == "-") {
        std::erase_if(attributes, [&](const XmlAttribute& a) { return named(a) != nullptr; });
    } else if (op == "%") {
        for (XmlAttribute& a : attributes) {
            if (const XmlAttribute* p = named(a)) {
                a.value = p->value;
            }
        }
    } else if (op == "<") {
        attributes = parsed;
    } else if (op == ">") {
        for (const XmlAttribute& a : attributes) {
            attribute_text += " " + a.name + "=\"" + a.value + "\"";
        }
    }
}

}  // namespace quorvane
