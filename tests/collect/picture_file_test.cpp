#include "collect/picture_file.h"

#include <gtest/gtest.h>

#include <mutex>
#include <ostream>
#include <set>
#include <thread>
#include <vector>

#include "support/fixed_clock.h"
#include "support/gbk_literal.h"
#include "text/md5.h"

namespace quorvane {
namespace {

using testing::FixedClock;
using testing::operator""_gbk;

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s.push_back(static_cast<char>(v));
    }
    return s;
}

TEST(HexSignature, ZeroGivesTwoDigitsSmallBytesOne) {
    EXPECT_EQ(hex_signature(bytes({0xFF, 0xD8, 0xFF, 0xE0})), "FFD8FFE0");
    EXPECT_EQ(hex_signature(bytes({0x00, 0x00, 0x01, 0x00})), "0000100");
    EXPECT_EQ(hex_signature(bytes({0x0A, 0x10})), "A10");
    EXPECT_EQ(hex_signature(""), "");
    // Only the first ten bytes count.
    EXPECT_EQ(hex_signature(std::string(12, '\x11')), std::string(20, '1'));
}

struct TypeCase {
    const char* name;
    std::string bytes;
    const char* type;
};

void PrintTo(const TypeCase& c, std::ostream* os) { *os << c.name; }

class PictureFileType : public ::testing::TestWithParam<TypeCase> {};

TEST_P(PictureFileType, BySignature) {
    EXPECT_EQ(picture_file_type(GetParam().bytes), GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PictureFileType,
    ::testing::Values(
        TypeCase{"jpeg", bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F', 0}), "jpg"},
        TypeCase{"png", bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), "png"},
        TypeCase{"gif89a", "GIF89a\x01\x00", "gif"}, TypeCase{"gif87a", "GIF87a\x01\x00", "gif"},
        TypeCase{"bmp", "BM\x36\x00", "bmp"}, TypeCase{"tiff_intel", "II*\x00", "tiff"},
        TypeCase{"tiff_motorola", bytes({'M', 'M', 0, '*'}), "tiff"},
        TypeCase{"tga_by_its_second_form", bytes({0, 0, 1, 0, 0, 0, 0, 0}), "tga"},
        TypeCase{"icon_by_its_second_form", bytes({0, 0, 1, 0, 1, 0, 0x20, 0x20}), "ico"},
        TypeCase{"iff", "FORM\x00\x00", "iff"},
        TypeCase{"webp_is_ani", "RIFF\x10\x00\x00\x00WEBP", "ani"},
        TypeCase{"wav_is_ani", "RIFF\x10\x00\x00\x00WAVE", "ani"},
        // 0x0A gives "A", so the pcx test never holds.
        TypeCase{"pcx_never", bytes({0x0A, 0x05, 0x01}), "A51.JPG"},
        TypeCase{"html_error_page", "<!DOCTYPE html>", "3C21444F43.JPG"},
        TypeCase{"short_unknown", "ab", "6162.JPG"}, TypeCase{"empty_download", "", ".JPG"}),
    [](const auto& info) { return info.param.name; });

TEST(PictureFileType, HtmlPageSignature) {
    EXPECT_EQ(hex_signature("<!DOCTYPE html>"), "3C21444F435459504520");
}

TEST(DescriptionPictureName, LengthsAndStability) {
    const std::string address = "img.example.com/imgextra/i1/x.jpg";
    const std::string jpeg = bytes({0xFF, 0xD8, 0xFF});
    const std::string name = description_picture_name(address, jpeg);
    EXPECT_EQ(name, md5_middle16(address) + ".jpg");
    EXPECT_EQ(name.size(), 20u);
    EXPECT_EQ(description_picture_name(address, jpeg), name);
    EXPECT_EQ(description_picture_name(address, "II*").size(), 21u);
    EXPECT_EQ(description_picture_name(address, "").size(), 21u);
    EXPECT_EQ(description_picture_name(address, "<!DOCTYPE html>").size(), 31u);
}

TEST(MainPictureName, DigestOfStampTitleAndId) {
    const FixedClock clock({2030, 1, 1, 8, 0, 0, 0});
    const std::string title = "宝贝"_gbk;
    const std::string name = main_picture_name(title, "123", clock);
    ASSERT_EQ(name.size(), 36u);
    EXPECT_EQ(name.substr(32), ".tbi");
    // The stamp is at least the clock's milliseconds; later calls within
    // the same millisecond run ahead of it.
    const std::string first_stamp = unique_millisecond_stamp(clock);
    EXPECT_GE(std::stoll(first_stamp), 1893456000000LL);
    const std::string second_stamp = unique_millisecond_stamp(clock);
    EXPECT_EQ(std::stoll(second_stamp), std::stoll(first_stamp) + 1);
    EXPECT_EQ(main_picture_name(title, "123", clock).substr(0, 32),
              md5_text(std::to_string(std::stoll(second_stamp) + 1) + title + "123"));
}

TEST(MainPictureName, SameMillisecondGivesDifferentNames) {
    const FixedClock clock({2031, 6, 1, 12, 0, 0, 500});
    std::set<std::string> names;
    for (int i = 0; i < 1000; ++i) {
        names.insert(main_picture_name("t", "1", clock));
    }
    EXPECT_EQ(names.size(), 1000u);
}

TEST(MainPictureNameConcurrency, FiveWorkersNeverShareAName) {
    const FixedClock clock({2032, 6, 1, 12, 0, 0, 500});
    std::mutex mutex;
    std::set<std::string> names;
    std::vector<std::thread> workers;
    for (int w = 0; w < 5; ++w) {
        workers.emplace_back([&] {
            std::vector<std::string> mine;
            for (int i = 0; i < 400; ++i) {
                mine.push_back(main_picture_name("t", "1", clock));
            }
            std::lock_guard lock(mutex);
            names.insert(mine.begin(), mine.end());
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(names.size(), 2000u);
}

}  // namespace
}  // namespace quorvane
