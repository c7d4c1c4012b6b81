#pragma once

#include <string>
#include <string_view>

#include "text/gbk_conversion.h"

namespace quorvane::testing {

// GBK bytes of a UTF-8 literal: "标题"_gbk.
inline std::string operator""_gbk(const char* utf8, size_t length) {
    return utf8_to_gbk(std::string_view(utf8, length));
}

}  // namespace quorvane::testing
