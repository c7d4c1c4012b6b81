#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// MD5 (RFC 1321) of the text's bytes as 32 lower-case hexadecimal digits.
std::string md5_text(std::string_view text);

// Characters 9 to 24 (counting from 1) of md5_text.
std::string md5_middle16(std::string_view text);

}  // namespace quorvane
