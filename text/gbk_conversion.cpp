#include "text/gbk_conversion.h"

#include <errno.h>
#include <iconv.h>

#include <stdexcept>

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

}  // namespace

std::string gbk_to_utf8(std::string_view gbk_text) {
    thread_local Converter converter("UTF-8", "CP936");
    return converter.convert(gbk_text, gbk_sequence_length);
}

std::string utf8_to_gbk(std::string_view utf8_text) {
    thread_local Converter converter("CP936", "UTF-8");
    return converter.convert(utf8_text, utf8_sequence_length);
}

}  // namespace quorvane
