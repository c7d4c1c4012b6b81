#include "text/number_text.h"

#include <locale.h>
#include <stdlib.h>

#include <cstdio>

#include "text/gbk_search.h"

namespace quorvane {
namespace {

// In GBK the full-width forms of "+", "-", "." and the digits are A3 followed
// by the ASCII byte + 0x80.
bool is_full_width_number_char(unsigned char trail) {
    char ascii = static_cast<char>(trail - 0x80);
    return ascii == '+' || ascii == '-' || ascii == '.' || (ascii >= '0' && ascii <= '9');
}

std::string ascii_number_chars(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        size_t len = char_length(text, pos);
        if (len == 2 && static_cast<unsigned char>(text[pos]) == 0xA3 &&
            is_full_width_number_char(static_cast<unsigned char>(text[pos + 1]))) {
            out.push_back(static_cast<char>(static_cast<unsigned char>(text[pos + 1]) - 0x80));
        } else {
            out.append(text.substr(pos, len));
        }
        pos += len;
    }
    return out;
}

// Front ends may set a locale whose decimal point is not "."; numbers in
// texts and packages always use ".".
locale_t c_locale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t{});
    return locale;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_c_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

double text_to_number(std::string_view text) {
    const std::string s = ascii_number_chars(text);
    size_t pos = 0;
    while (pos < s.size() && is_c_space(s[pos])) {
        ++pos;
    }
    const size_t start = pos;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
        ++pos;
    }
    size_t digits = 0;
    while (pos < s.size() && is_digit(s[pos])) {
        ++pos;
        ++digits;
    }
    if (pos < s.size() && s[pos] == '.') {
        ++pos;
        while (pos < s.size() && is_digit(s[pos])) {
            ++pos;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    // An exponent counts only when digits follow it ("1e" reads as 1).
    if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
        size_t exp = pos + 1;
        if (exp < s.size() && (s[exp] == '+' || s[exp] == '-')) {
            ++exp;
        }
        if (exp < s.size() && is_digit(s[exp])) {
            while (exp < s.size() && is_digit(s[exp])) {
                ++exp;
            }
            pos = exp;
        }
    }
    // strtod reads the span exactly as atof would: overflow gives +-HUGE_VAL,
    // underflow 0.
    const std::string span = s.substr(start, pos - start);
    return strtod_l(span.c_str(), nullptr, c_locale());
}

std::string number_text(double value) {
    char buffer[64];
    locale_t previous = uselocale(c_locale());
    int n = std::snprintf(buffer, sizeof buffer, "%.13g", value);
    uselocale(previous);
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

}  // namespace quorvane
