#pragma once

#include <string>
#include <string_view>

// Core texts are GBK (code page 936) bytes; these convert at the edges
// (widgets, file-system paths, UTF-8 documents). Neither direction fails:
// a character the target cannot hold, or an invalid byte sequence,
// becomes "?" and the rest of the text is kept.
namespace quorvane {

std::string gbk_to_utf8(std::string_view gbk_text);
std::string utf8_to_gbk(std::string_view utf8_text);
// The same into `out` (replaced), reusing its capacity on repeated calls.
void utf8_to_gbk(std::string_view utf8_text, std::string& out);

// A GBK text from a UTF-8 literal of the source code, e.g. gbk("年").
inline std::string gbk(std::string_view utf8_literal) { return utf8_to_gbk(utf8_literal); }

}  // namespace quorvane
