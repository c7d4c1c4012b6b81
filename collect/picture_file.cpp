#include "collect/picture_file.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "text/md5.h"

namespace quorvane {
namespace {

bool starts_with_any(std::string_view s, std::initializer_list<std::string_view> prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [s](std::string_view p) { return s.substr(0, p.size()) == p; });
}

}  // namespace

std::string hex_signature(std::string_view bytes) {
    static constexpr char hex_digits[] = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < std::min<size_t>(bytes.size(), 10); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b == 0) {
            s += "00";
        } else if (b < 0x10) {
            s += hex_digits[b];
        } else {
            s += hex_digits[b >> 4];
            s += hex_digits[b & 0x0F];
        }
    }
    return s;
}

std::string picture_file_type(std::string_view bytes) {
    const std::string s = hex_signature(bytes);
    struct Rule {
        std::initializer_list<std::string_view> prefixes;
        const char* type;
    };
    // Tested in order, the first that holds wins. Some prefixes cannot
    // arise from real bytes (a byte's text never starts "0" unless it is
    // "00"), and "0A" never holds either; the table is kept as the type
    // test has always read.
    static const Rule rules[] = {
        {{"FFD8"}, "jpg"},
        {{"0000020000", "0000100000"}, "tga"},
        {{"474946383961", "474946383761"}, "gif"},
        {{"89504E47"}, "png"},
        {{"424D"}, "bmp"},
        {{"0A"}, "pcx"},
        {{"4D4D", "4949"}, "tiff"},
        {{"0000010001002020", "00001001002020"}, "ico"},
        {{"0000020001002020"}, "cur"},
        {{"464F524D"}, "iff"},
        {{"52494646"}, "ani"},
    };
    for (const Rule& rule : rules) {
        if (starts_with_any(s, rule.prefixes)) {
            return rule.type;
        }
    }
    return s.substr(0, 10) + ".JPG";
}

std::string description_picture_name(std::string_view address_without_scheme,
                                     std::string_view bytes) {
    return md5_middle16(address_without_scheme) + "." + picture_file_type(bytes);
}

std::string unique_millisecond_stamp(const Clock& clock) {
    static std::atomic<int64_t> last_stamp{0};
    const LocalTime now = clock.now();
    const int64_t now_ms = timestamp_seconds(now) * 1000 + now.millisecond;
    int64_t previous = last_stamp.load();
    int64_t stamp = 0;
    do {
        stamp = std::max(now_ms, previous + 1);
    } while (!last_stamp.compare_exchange_weak(previous, stamp));
    return std::to_string(stamp);
}

std::string main_picture_name(std::string_view title, std::string_view num_iid,
                              const Clock& clock) {
    std::string stamped = unique_millisecond_stamp(clock);
    stamped.append(title);
    stamped.append(num_iid);
    return md5_text(stamped) + ".tbi";
}

}  // namespace quorvane
