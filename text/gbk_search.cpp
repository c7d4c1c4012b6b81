#include "text/gbk_search.h"

#include <string.h>

#include <cstring>

namespace quorvane {
namespace {

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool matches_at(std::string_view text, size_t pos, std::string_view marker, Case mode) {
    if (pos > text.size() || text.size() - pos < marker.size()) {
        return false;
    }
    const char* t = text.data() + pos;
    if (mode == Case::exact) {
        return std::memcmp(t, marker.data(), marker.size()) == 0;
    }
    // Fold only single-byte characters of the marker: a trail byte that
    // happens to be a letter must match exactly. Lead bytes are never
    // folded, so text and marker split into characters at the same places.
    for (size_t i = 0; i < marker.size();) {
        if (is_lead_byte(marker[i]) && i + 1 < marker.size()) {
            if (t[i] != marker[i] || t[i + 1] != marker[i + 1]) {
                return false;
            }
            i += 2;
        } else {
            if (fold(t[i]) != fold(marker[i])) {
                return false;
            }
            i += 1;
        }
    }
    return true;
}

size_t find_text(std::string_view text, std::string_view marker, size_t from, Case mode) {
    if (from > text.size()) {
        return not_found;
    }
    if (marker.empty()) {
        return from;
    }
    if (mode == Case::exact) {
        // memmem finds candidates fast; a boundary cursor walked along behind
        // it rejects those that start inside a two-byte character.
        size_t boundary = from;
        size_t search = from;
        while (search + marker.size() <= text.size()) {
            const void* hit =
                memmem(text.data() + search, text.size() - search, marker.data(), marker.size());
            if (hit == nullptr) {
                return not_found;
            }
            const auto candidate = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
            while (boundary < candidate) {
                boundary += char_length(text, boundary);
            }
            if (boundary == candidate) {
                return candidate;
            }
            search = candidate + 1;
        }
        return not_found;
    }
    const char first_folded = fold(marker[0]);
    const bool first_is_lead = is_lead_byte(marker[0]);
    for (size_t pos = from; pos + marker.size() <= text.size(); pos += char_length(text, pos)) {
        const char c = text[pos];
        if ((first_is_lead ? c == marker[0] : fold(c) == first_folded) &&
            matches_at(text, pos, marker, mode)) {
            return pos;
        }
    }
    return not_found;
}

size_t find_last_text(std::string_view text, std::string_view marker, Case mode) {
    if (marker.empty()) {
        return not_found;
    }
    size_t last = not_found;
    for (size_t pos = find_text(text, marker, 0, mode); pos != not_found;
         pos = find_text(text, marker, pos + char_length(text, pos), mode)) {
        last = pos;
    }
    return last;
}

std::string replace_all(std::string_view text, std::string_view search,
                        std::string_view replacement, Case mode) {
    if (search.empty()) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (size_t hit = find_text(text, search, 0, mode); hit != not_found;
         hit = find_text(text, search, pos, mode)) {
        out.append(text.substr(pos, hit - pos));
        out.append(replacement);
        pos = hit + search.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::string_view trim(std::string_view text) {
    constexpr std::string_view full_width_space = "\xA1\xA1";
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end) {
        if (text[begin] == ' ') {
            begin += 1;
        } else if (text.substr(begin, 2) == full_width_space && begin + 2 <= end) {
            begin += 2;
        } else {
            break;
        }
    }
    // From the back a pair A1 A1 is only a full-width space when it starts
    // at a character boundary, so find the boundaries walking forwards.
    size_t last_kept_end = begin;
    for (size_t pos = begin; pos < end;) {
        size_t len = char_length(text, pos);
        bool blank = text[pos] == ' ' || text.substr(pos, len) == full_width_space;
        pos += len;
        if (!blank) {
            last_kept_end = pos;
        }
    }
    return text.substr(begin, last_kept_end - begin);
}

std::string ascii_lower(std::string_view text) {
    std::string out(text);
    for (size_t pos = 0; pos < out.size(); pos += char_length(out, pos)) {
        out[pos] = fold(out[pos]);
    }
    return out;
}

bool equals_ignore_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && matches_at(a, 0, b, Case::ignore_ascii);
}

}  // namespace quorvane
