#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// Appends the name=value pairs that a response header block sets, joined
// by "; ", to `collected`. Only a block containing `block_marker` is read
// ("Set-Cookie:" for web_request, "Set-Cookie" for object_request); a line
// whose value between "=" and ";" is empty, or which has no ";", adds
// nothing. A cookie set again is appended again.
void collect_cookies(std::string_view header_block, std::string_view block_marker,
                     std::string& collected);

}  // namespace quorvane
