#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Byte-position search over GBK texts. A byte of 0x80 or above starts a
// two-byte character, so a marker is only ever found at a character
// boundary: GBK trail bytes include "\", "|", "@" and ASCII letters, and a
// plain byte search would find markers inside Chinese characters.
namespace quorvane {

enum class Case { exact, ignore_ascii };

constexpr size_t not_found = std::string_view::npos;

constexpr bool is_lead_byte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// Bytes of the character starting at `pos`: 2 for a lead byte that has a
// byte after it, else 1.
inline size_t char_length(std::string_view text, size_t pos) {
    return is_lead_byte(text[pos]) && pos + 1 < text.size() ? 2 : 1;
}

// Whether `marker` occurs at byte `pos` of `text` (pos being a boundary).
bool matches_at(std::string_view text, size_t pos, std::string_view marker, Case mode);

// First occurrence of `marker` at or after `from` (a character boundary);
// an empty marker is found at `from`. not_found when absent.
size_t find_text(std::string_view text, std::string_view marker, size_t from = 0,
                 Case mode = Case::exact);

// Last occurrence of a non-empty marker; not_found when absent or empty.
size_t find_last_text(std::string_view text, std::string_view marker, Case mode = Case::exact);

// Every occurrence replaced, left to right, inserted text never rescanned.
// An empty search text changes nothing.
std::string replace_all(std::string_view text, std::string_view search,
                        std::string_view replacement, Case mode = Case::exact);

// ASCII spaces and the full-width space (A1 A1) removed from both ends;
// tabs, CR and LF stay.
std::string_view trim(std::string_view text);

// ASCII letters of single-byte characters lowered; trail bytes kept.
std::string ascii_lower(std::string_view text);

bool equals_ignore_case(std::string_view a, std::string_view b);

}  // namespace quorvane
