#include "text/gbk_conversion.h"

#include <errno.h>
#include <iconv.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

namespace quorvane {
namespace {

// iconv descriptors are not thread-safe, so each thread keeps its own pair.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " +
                                     to);
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // skip_invalid(in, left) tells how many input bytes an unconvertible
    // sequence at `in` spans; it is replaced by one "?".
    template <typename SkipInvalid>
    std::string convert(std::string_view input, SkipInvalid skip_invalid) {
        std::string out;
        out.resize(input.size() * 2 + 16);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
        char* in = const_cast<char*>(input.data());
        size_t in_left = input.size();
        size_t written = 0;
        while (in_left > 0) {
            char* out_ptr = out.data() + written;
            size_t out_left = out.size() - written;
            size_t rc = iconv(cd_, &in, &in_left, &out_ptr, &out_left);
            written = out.size() - out_left;
            if (rc != static_cast<size_t>(-1)) {
                break;
            }
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            // EILSEQ (invalid or unmappable) or EINVAL (cut off at the end).
            size_t skip = errno == EINVAL ? in_left : skip_invalid(in, in_left);
            if (skip == 0 || skip > in_left) {
                skip = 1;
            }
            if (written == out.size()) {
                out.resize(out.size() * 2);
            }
            out[written++] = '?';
            in += skip;
            in_left -= skip;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        out.resize(written);
        return out;
    }

private:
    iconv_t cd_;
};

// Length of a well-formed UTF-8 sequence at p, or 1 when it is malformed
// (so one bad byte costs one "?" and the next byte is tried afresh).
size_t utf8_sequence_length(const char* p, size_t left) {
    auto b = static_cast<unsigned char>(p[0]);
    size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || n > left) {
        return 1;
    }
    for (size_t i = 1; i < n; ++i) {
        if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return n;
}

// A GBK lead byte with a plausible trail byte is skipped as one character;
// otherwise only the bad byte goes, so a following ASCII byte survives.
size_t gbk_sequence_length(const char* p, size_t left) {
    auto lead = static_cast<unsigned char>(p[0]);
    if (lead < 0x81 || lead == 0xFF || left < 2) {
        return 1;
    }
    auto trail = static_cast<unsigned char>(p[1]);
    return (trail >= 0x40 && trail != 0x7F && trail != 0xFF) ? 2 : 1;
}

// ASCII is the same in both encodings and makes up most of a page or an
// answer, so it is copied as it is; only the runs between ASCII bytes go
// through iconv. `run_end` gives where the non-ASCII run at `pos` ends.
template <typename RunEnd, typename SkipInvalid>
std::string convert_runs(Converter& converter, std::string_view input, RunEnd run_end,
                         SkipInvalid skip_invalid) {
    std::string out;
    out.reserve(input.size() + input.size() / 2);
    size_t pos = 0;
    while (pos < input.size()) {
        size_t ascii_end = pos;
        while (ascii_end < input.size() && static_cast<unsigned char>(input[ascii_end]) < 0x80) {
            ++ascii_end;
        }
        out.append(input.substr(pos, ascii_end - pos));
        if (ascii_end == input.size()) {
            break;
        }
        const size_t end = run_end(input, ascii_end);
        out.append(converter.convert(input.substr(ascii_end, end - ascii_end), skip_invalid));
        pos = end;
    }
    return out;
}

// A GBK run takes each lead byte with the byte after it, which may be ASCII.
size_t gbk_run_end(std::string_view s, size_t pos) {
    while (pos < s.size() && static_cast<unsigned char>(s[pos]) >= 0x80) {
        pos += pos + 1 < s.size() ? 2 : 1;
    }
    return pos;
}

}  // namespace

std::string gbk_to_utf8(std::string_view gbk_text) {
    thread_local Converter converter("UTF-8", "CP936");
    return convert_runs(converter, gbk_text, gbk_run_end, gbk_sequence_length);
}

namespace {

// UTF-8 answers are converted on every load, so this direction uses a table
// of the code page, built once from iconv's own CP936 decoding: every BMP
// code point to its GBK bytes (0 when the code page cannot hold it).
class GbkEncodingTable {
public:
    GbkEncodingTable() : codes_(0x10000, 0) {
        Converter decoder("UTF-32LE", "CP936");
        auto add = [&](std::string_view bytes, uint16_t code) {
            const std::string decoded =
                decoder.convert(bytes, [](const char*, size_t left) { return left; });
            if (decoded.size() != 4) {
                return;
            }
            const uint32_t cp = static_cast<unsigned char>(decoded[0]) |
                                static_cast<unsigned char>(decoded[1]) << 8 |
                                static_cast<unsigned char>(decoded[2]) << 16 |
                                static_cast<uint32_t>(static_cast<unsigned char>(decoded[3])) << 24;
            if (cp >= 0x80 && cp < codes_.size() && codes_[cp] == 0) {
                codes_[cp] = code;
            }
        };
        for (int lead = 0x80; lead <= 0xFF; ++lead) {
            const char single = static_cast<char>(lead);
            add(std::string_view(&single, 1), static_cast<uint16_t>(lead));
        }
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                add(std::string_view(pair, 2), static_cast<uint16_t>(lead << 8 | trail));
            }
        }
    }

    // GBK bytes for a code point: one byte when < 0x100, two otherwise, none
    // (0) when unmappable.
    uint16_t code(uint32_t cp) const { return cp < codes_.size() ? codes_[cp] : 0; }

private:
    std::vector<uint16_t> codes_;
};

const GbkEncodingTable& gbk_encoding_table() {
    static const GbkEncodingTable table;
    return table;
}

// The code point of the well-formed sequence at p (n bytes long), or
// nullopt for an overlong form, a surrogate or a value past U+10FFFF.
std::optional<uint32_t> decode_utf8(const unsigned char* p, size_t n) {
    static constexpr uint32_t lead_mask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    static constexpr uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    uint32_t cp = p[0] & lead_mask[n];
    for (size_t i = 1; i < n; ++i) {
        cp = cp << 6 | (p[i] & 0x3F);
    }
    if (cp < smallest[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return std::nullopt;
    }
    return cp;
}

}  // namespace

void utf8_to_gbk(std::string_view utf8_text, std::string& out) {
    const GbkEncodingTable& table = gbk_encoding_table();
    // GBK never needs more bytes than UTF-8 for the same character.
    out.resize(utf8_text.size());
    char* o = out.data();
    const auto* p = reinterpret_cast<const unsigned char*>(utf8_text.data());
    const size_t size = utf8_text.size();
    auto put = [&o](uint16_t code) {
        if (code == 0) {
            *o++ = '?';
        } else if (code < 0x100) {
            *o++ = static_cast<char>(code);
        } else {
            *o++ = static_cast<char>(code >> 8);
            *o++ = static_cast<char>(code & 0xFF);
        }
    };
    for (size_t pos = 0; pos < size;) {
        const unsigned char b = p[pos];
        if (b < 0x80) {
            *o++ = static_cast<char>(b);
            ++pos;
            continue;
        }
        // The common case in Chinese text: a well-formed three-byte sequence.
        if ((b >> 4) == 0xE && pos + 2 < size && (p[pos + 1] & 0xC0) == 0x80 &&
            (p[pos + 2] & 0xC0) == 0x80) {
            const uint32_t cp =
                (b & 0x0Fu) << 12 | (p[pos + 1] & 0x3Fu) << 6 | (p[pos + 2] & 0x3Fu);
            put(cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF) ? table.code(cp) : 0);
            pos += 3;
            continue;
        }
        const size_t n = utf8_sequence_length(utf8_text.data() + pos, size - pos);
        if (n == 1) {
            // A sequence cut off by the end of the text costs one "?" in all.
            const size_t wanted = (b >> 5) == 0x6    ? 2
                                  : (b >> 4) == 0xE  ? 3
                                  : (b >> 3) == 0x1E ? 4
                                                     : 0;
            size_t continuation = pos + 1;
            while (continuation < size && (p[continuation] & 0xC0) == 0x80) {
                ++continuation;
            }
            if (wanted > size - pos && continuation == size) {
                *o++ = '?';
                break;
            }
            *o++ = '?';
            ++pos;
            continue;
        }
        const auto cp = decode_utf8(p + pos, n);
        put(cp ? table.code(*cp) : 0);
        pos += n;
    }
    out.resize(static_cast<size_t>(o - out.data()));
}

std::string utf8_to_gbk(std::string_view utf8_text) {
    std::string out;
    utf8_to_gbk(utf8_text, out);
    return out;
}

}  // namespace quorvane
