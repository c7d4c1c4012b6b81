#pragma once

#include <string>
#include <string_view>

// Text between markers, as the page readers and header parsers use them.
namespace quorvane {

// The text after the first start marker up to the first end marker after
// it; both searches ignore ASCII case. "#引号" in a marker stands for a
// double quote. "" when the start marker is absent, the end marker does
// not follow it, or the end marker is empty; an empty start marker means
// the beginning of the text.
std::string find_between(std::string_view text, std::string_view start_marker,
                         std::string_view end_marker);

// The text after the last occurrence of the marker (exact case); "" when
// it does not occur.
std::string text_after_last(std::string_view text, std::string_view marker);

// Exact case, first occurrences. An empty end marker gives everything after
// the start marker; an empty start marker gives everything before the end
// marker; a missing marker gives "".
std::string text_between(std::string_view text, std::string_view start_marker,
                         std::string_view end_marker);

}  // namespace quorvane
