#pragma once

#include <string>
#include <vector>

namespace quorvane::cli {

// Prints one operation-record line (GBK, ending in CR LF) as a UTF-8 line.
void print_log_line(const std::string& gbk_line);

// The value after the option at `i`, advancing `i` past it; false when the
// option is the last argument.
bool take_value(const std::vector<std::string>& arguments, size_t& i, std::string& value);

}  // namespace quorvane::cli
