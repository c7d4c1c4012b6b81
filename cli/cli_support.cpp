#include "cli/cli_support.h"

#include <iostream>

#include "text/gbk_conversion.h"

namespace quorvane::cli {

void print_log_line(const std::string& gbk_line) {
    std::string line = gbk_to_utf8(gbk_line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    std::cout << line << "\n" << std::flush;
}

bool take_value(const std::vector<std::string>& arguments, size_t& i, std::string& value) {
    if (i + 1 >= arguments.size()) {
        return false;
    }
    value = arguments[++i];
    return true;
}

}  // namespace quorvane::cli
