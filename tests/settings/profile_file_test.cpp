#include "settings/profile_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/gbk_literal.h"
#include "support/temp_dir.h"
#include "text/file_bytes.h"

namespace quorvane {
namespace {

using testing::operator""_gbk;
namespace fs = std::filesystem;

class ProfileFile : public ::testing::Test {
protected:
    static std::string contents(const fs::path& file) { return read_file_bytes(file).value_or(""); }
    testing::TempDir temp_;
    const fs::path dir_ = temp_.path();
};

TEST_F(ProfileFile, MissingFileReadsDefaults) {
    const fs::path file = dir_ / "options" / "options.ini";
    EXPECT_EQ(read_profile_value(file, "DL_PIC", "download"), std::nullopt);
    EXPECT_EQ(read_profile_text(file, "DL_PIC", "download", "真"_gbk), "真"_gbk);
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(ProfileFile, WriteCreatesFolderAndFile) {
    const fs::path file = dir_ / "options" / "options.ini";
    ASSERT_TRUE(write_profile_value(file, "DL_PIC", "download", "假"_gbk));
    ASSERT_TRUE(write_profile_value(file, "REPLACE", "to3", "替换"_gbk));
    EXPECT_EQ(contents(file),
              "[DL_PIC]\r\ndownload=" + "假"_gbk + "\r\n[REPLACE]\r\nto3=" + "替换"_gbk + "\r\n");
    EXPECT_EQ(read_profile_text(file, "REPLACE", "to3"), "替换"_gbk);
    EXPECT_FALSE(fs::exists(file.string() + ".tmp"));
}

TEST_F(ProfileFile, RoundTripKeepsForeignKeysAndComments) {
    const fs::path file = dir_ / "options.ini";
    fs::create_directories(dir_);
    const std::string original =
        "; written by hand\r\n[ENDPOINTS]\r\ngateway_host=127.0.0.1:8080\r\n\r\n"
        "[PR_INFO]\r\nprice=100\r\n";
    std::ofstream(file, std::ios::binary) << original;
    ASSERT_TRUE(write_profile_value(file, "pr_info", "PRICE", "120"));
    ASSERT_TRUE(write_profile_value(file, "PR_INFO", "num", ""));
    EXPECT_EQ(contents(file),
              "; written by hand\r\n[ENDPOINTS]\r\ngateway_host=127.0.0.1:8080\r\n\r\n"
              "[PR_INFO]\r\nprice=120\r\nnum=\r\n");
    EXPECT_EQ(read_profile_value(file, "PR_INFO", "num"), std::string());
    EXPECT_EQ(read_profile_text(file, "ENDPOINTS", "gateway_host"), "127.0.0.1:8080");
}

TEST_F(ProfileFile, FileThatIsAFolderIsReportedAndLeftAlone) {
    const fs::path file = dir_ / "options.ini";
    fs::create_directories(file / "inner");
    EXPECT_FALSE(write_profile_value(file, "A", "x", "2"));
    EXPECT_TRUE(fs::is_directory(file / "inner"));
    EXPECT_FALSE(fs::exists(file.string() + ".tmp"));
}

TEST_F(ProfileFile, FolderInTheWayIsReported) {
    // A plain file where the options folder should be: nothing can be written.
    fs::create_directories(dir_);
    std::ofstream(dir_ / "options") << "not a folder";
    EXPECT_FALSE(write_profile_value(dir_ / "options" / "options.ini", "A", "x", "1"));
}

}  // namespace
}  // namespace quorvane
