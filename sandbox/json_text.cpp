#include "sandbox/json_text.h"

#include <cstdio>

namespace quorvane::sandbox {

std::string json_string(std::string_view bytes, bool keep_utf8) {
    std::string out = "\"";
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || (c >= 0x80 && !keep_utf8)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", c);
            out += escape;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

}  // namespace quorvane::sandbox
