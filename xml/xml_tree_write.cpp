#include <utility>
#include <vector>

#include "xml/xml_tree.h"

namespace quorvane {

std::string XmlTree::to_text() const {
    std::string text;
    write_node(0, text);
    return text;
}

void XmlTree::write_node(int32_t index, std::string& text) const {
    if (index == 0) {
        if (!live(root_) || view(slots_[static_cast<size_t>(root_ - 1)].name).empty()) {
            return;
        }
        text = "<?xml version=\"1.0\" encoding=\"gb2312\"?>";
        index = root_;
    }
    if (!live(index)) {
        return;
    }
    // An explicit stack of (node, next child) in place of recursion, so a
    // deep tree cannot exhaust the thread's stack.
    std::vector<std::pair<int32_t, uint32_t>> pending{{index, 0}};
    auto open_tag = [&](const Slot& slot) {
        text += '<';
        text += view(slot.name);
        for (uint32_t i = 0; i < slot.attributes.length; ++i) {
            const AttributeSlot& a = attribute_pool_[slot.attributes.offset + i];
            text += ' ';
            text += view(a.name);
            text += "=\"";
            text += view(a.value);
            text += '"';
        }
        text += '>';
        const std::string_view body = view(slot.text);
        if (body.find('<') == std::string_view::npos) {
            text += body;
        } else {
            text += "<![CDATA[";
            text += body;
            text += "]]>";
        }
    };
    open_tag(slots_[static_cast<size_t>(index - 1)]);
    while (!pending.empty()) {
        auto& [current, next_child] = pending.back();
        const Slot& slot = slots_[static_cast<size_t>(current - 1)];
        if (next_child < slot.children.length) {
            const int32_t child = children_begin(slot)[next_child++];
            if (live(child)) {
                open_tag(slots_[static_cast<size_t>(child - 1)]);
                pending.emplace_back(child, 0);
            }
            continue;
        }
        text += "</";
        text += view(slot.name);
        text += '>';
        pending.pop_back();
    }
}

}  // namespace quorvane
