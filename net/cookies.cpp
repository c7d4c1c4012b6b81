#include "net/cookies.h"

#include "text/gbk_search.h"
#include "text/markers.h"

namespace quorvane {

void collect_cookies(std::string_view header_block, std::string_view block_marker,
                     std::string& collected) {
    if (find_text(header_block, block_marker) == not_found) {
        return;
    }
    size_t pos = 0;
    while (pos <= header_block.size()) {
        const size_t end = find_text(header_block, "\r\n", pos);
        const std::string_view line =
            header_block.substr(pos, end == not_found ? std::string_view::npos : end - pos);
        if (find_text(line, "Set-Cookie") != not_found && !text_between(line, "=", ";").empty()) {
            if (!collected.empty()) {
                collected += "; ";
            }
            collected += trim(text_between(line, "Set-Cookie:", ";"));
        }
        if (end == not_found) {
            break;
        }
        pos = end + 2;
    }
}

}  // namespace quorvane
