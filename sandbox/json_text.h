#pragma once

#include <string>
#include <string_view>

namespace quorvane::sandbox {

// A JSON string literal. Bytes of 0x80 and above are written as \u00XX, so
// the output is valid JSON whatever the bytes (callers convert GBK texts to
// UTF-8 first when readers should see the characters).
std::string json_string(std::string_view bytes, bool keep_utf8 = false);

}  // namespace quorvane::sandbox
