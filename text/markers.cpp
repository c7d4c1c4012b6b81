#include "text/markers.h"

#include "text/gbk_conversion.h"
#include "text/gbk_search.h"

namespace quorvane {
namespace {

std::string with_quotes(std::string_view marker) {
    static const std::string quote_word = gbk("#引号");
    return replace_all(marker, quote_word, "\"");
}

}  // namespace

std::string find_between(std::string_view text, std::string_view start_marker,
                         std::string_view end_marker) {
    const std::string start = with_quotes(start_marker);
    const std::string end = with_quotes(end_marker);
    if (end.empty()) {
        return {};
    }
    size_t begin = find_text(text, start, 0, Case::ignore_ascii);
    if (begin == not_found) {
        return {};
    }
    begin += start.size();
    size_t stop = find_text(text, end, begin, Case::ignore_ascii);
    if (stop == not_found) {
        return {};
    }
    return std::string(text.substr(begin, stop - begin));
}

std::string text_after_last(std::string_view text, std::string_view marker) {
    size_t pos = find_last_text(text, marker);
    if (pos == not_found) {
        return {};
    }
    return std::string(text.substr(pos + marker.size()));
}

std::string text_between(std::string_view text, std::string_view start_marker,
                         std::string_view end_marker) {
    if (end_marker.empty()) {
        size_t pos = find_text(text, start_marker);
        return pos == not_found ? std::string()
                                : std::string(text.substr(pos + start_marker.size()));
    }
    if (start_marker.empty()) {
        size_t pos = find_text(text, end_marker);
        return pos == not_found ? std::string() : std::string(text.substr(0, pos));
    }
    size_t begin = find_text(text, start_marker);
    if (begin == not_found) {
        return {};
    }
    begin += start_marker.size();
    size_t stop = find_text(text, end_marker, begin);
    return stop == not_found ? std::string() : std::string(text.substr(begin, stop - begin));
}

}  // namespace quorvane
