#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The regular-expression engine matches on characters, not on bytes, so a
// match can never start or end inside a two-byte GBK character. Each GBK
// character becomes one wide character: ASCII stays itself, a two-byte
// character becomes a code in the supplementary private use area (no case,
// not white space, not a line break), so patterns and texts convert the same
// way and the bytes come back exactly as they were.
namespace quorvane {

struct WideText {
    std::wstring chars;
    // Byte offset in the GBK text of each character, plus the text's length.
    std::vector<uint32_t> byte_offsets;
};

WideText to_wide(std::string_view gbk_text);

std::string to_gbk(std::wstring_view wide_text);

}  // namespace quorvane
