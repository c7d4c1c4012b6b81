#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane {

struct XmlAttribute {
    std::string name;
    std::string value;
    bool operator==(const XmlAttribute&) const = default;
};

// A copy of one element of an XmlTree; it owns its texts and lists.
struct XmlNode {
    std::string name;
    std::string text;  // character data right after the start tag
    std::vector<XmlAttribute> attributes;
    std::vector<int32_t> children;  // indices, in document order
    int32_t parent = 0;             // 0 for the root
    int32_t index = 0;
};

}  // namespace quorvane
