#include "pattern/wide_text.h"

#include "text/gbk_search.h"

namespace quorvane {
namespace {

static_assert(sizeof(wchar_t) == 4, "wide characters must hold the private-use codes");

constexpr wchar_t private_base = 0xF0000;

}  // namespace

WideText to_wide(std::string_view gbk_text) {
    WideText wide;
    wide.chars.reserve(gbk_text.size());
    wide.byte_offsets.reserve(gbk_text.size() + 1);
    for (size_t pos = 0; pos < gbk_text.size();) {
        const size_t len = char_length(gbk_text, pos);
        const auto lead = static_cast<unsigned char>(gbk_text[pos]);
        wchar_t c = lead;
        if (len == 2) {
            c = private_base +
                static_cast<wchar_t>((lead << 8) | static_cast<unsigned char>(gbk_text[pos + 1]));
        } else if (lead >= 0x80) {
            c = private_base + lead;  // a lead byte cut off at the end
        }
        wide.chars.push_back(c);
        wide.byte_offsets.push_back(static_cast<uint32_t>(pos));
        pos += len;
    }
    wide.byte_offsets.push_back(static_cast<uint32_t>(gbk_text.size()));
    return wide;
}

std::string to_gbk(std::wstring_view wide_text) {
    std::string out;
    out.reserve(wide_text.size() * 2);
    for (wchar_t c : wide_text) {
        if (c >= private_base + 0x8000 && c <= private_base + 0xFFFF) {
            const auto code = static_cast<unsigned>(c - private_base);
            out.push_back(static_cast<char>(code >> 8));
            out.push_back(static_cast<char>(code & 0xFF));
        } else if (c >= private_base + 0x80 && c < private_base + 0x100) {
            out.push_back(static_cast<char>(c - private_base));
        } else if (c >= 0 && c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('?');  // only a replacement text could hold such a character
        }
    }
    return out;
}

}  // namespace quorvane
