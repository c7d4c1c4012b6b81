#include "settings/collect_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>

#include "settings/profile_file.h"
#include "support/gbk_literal.h"
#include "support/temp_dir.h"

namespace quorvane {
namespace {

using testing::operator""_gbk;
namespace fs = std::filesystem;

class CollectSettingsFile : public ::testing::Test {
protected:
    void write(const std::string& text) {
        fs::create_directories(file_.parent_path());
        std::ofstream(file_, std::ios::binary) << text;
    }
    testing::TempDir temp_;
    const fs::path dir_ = temp_.path();
    const fs::path file_ = settings_file(dir_);
};

TEST_F(CollectSettingsFile, MissingFileGivesEveryMissingValue) {
    SettingsPage page;
    AppliedSettings applied;
    load_settings(file_, page, applied);
    EXPECT_TRUE(page.download_pictures);
    EXPECT_TRUE(page.taobao_only_enabled);
    EXPECT_EQ(applied.picture_mode, 1);
    EXPECT_EQ(applied.failure_policy, 3);
    EXPECT_EQ(page.failure_choice, "重新下载 仍失败删除"_gbk);
    EXPECT_EQ(applied.package_layout, 5);
    // Missing boxes are emptied, not left at the page's defaults.
    EXPECT_EQ(page.price_percent, "");
    EXPECT_EQ(page.price_decimals, "");
    EXPECT_EQ(page.stock_value, "");
}

struct LoadCase {
    const char* name;
    std::string file;
    bool download;
    bool taobao_only;
    bool taobao_only_enabled;
    int picture_mode;
    int failure_policy;
    int layout;
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

class CollectSettingsLoad : public CollectSettingsFile,
                            public ::testing::WithParamInterface<LoadCase> {};

TEST_P(CollectSettingsLoad, KeysMapToControlsAndAppliedValues) {
    const LoadCase& c = GetParam();
    write(c.file);
    SettingsPage page;
    page.failure_choice = "unchanged";
    AppliedSettings applied;
    applied.failure_policy = 9;
    load_settings(file_, page, applied);
    EXPECT_EQ(page.download_pictures, c.download);
    EXPECT_EQ(page.taobao_only, c.taobao_only);
    EXPECT_EQ(page.taobao_only_enabled, c.taobao_only_enabled);
    EXPECT_EQ(applied.picture_mode, c.picture_mode);
    EXPECT_EQ(applied.failure_policy, c.failure_policy);
    EXPECT_EQ(applied.package_layout, c.layout);
}

const std::string yes = "真"_gbk;
const std::string no = "假"_gbk;

INSTANTIATE_TEST_SUITE_P(
    Cases, CollectSettingsLoad,
    ::testing::Values(
        LoadCase{"download_key_missing", "[DL_PIC]\r\nfall=1\r\n", true, false, true, 1, 1, 5},
        LoadCase{"download_key_empty", "[DL_PIC]\r\ndownload=\r\nfall=2\r\n", false, false, false,
                 0, 2, 5},
        LoadCase{"taobao_only_wins_over_no_download",
                 "[DL_PIC]\r\ndownload=" + no + "\r\ntaobao_only=" + yes + "\r\nfall=3\r\n", false,
                 true, false, 2, 3, 5},
        LoadCase{"fall_present_but_empty", "[DL_PIC]\r\nfall=\r\n", true, false, true, 1, 3, 5},
        LoadCase{"fall_of_seven_changes_nothing", "[DL_PIC]\r\nfall=7\r\n", true, false, true, 1, 9,
                 5},
        LoadCase{"type_4", "[SAVE]\r\ntype=4\r\n", true, false, true, 1, 3, 4},
        LoadCase{"type_written_out", "[SAVE]\r\ntype=4.X\r\n", true, false, true, 1, 3, 5},
        LoadCase{"type_empty", "[SAVE]\r\ntype=\r\n", true, false, true, 1, 3, 5}),
    [](const auto& info) { return info.param.name; });

TEST_F(CollectSettingsFile, SaveThenLoadKeepsEveryValueAndTheToMapping) {
    SettingsPage page;
    page.download_pictures = true;
    page.taobao_only = true;
    page.failure_choice = failure_choice_text(2);
    page.price_adjust = true;
    page.price_percent = "120";
    page.price_decimals = "2";
    page.stock_uniform = true;
    page.stock_value = "50";
    page.replace_from = {"QQ", "手机"_gbk, "微信"_gbk};
    page.replace_to = {"", "电话"_gbk, "联系"_gbk};
    page.layout_4x = true;
    AppliedSettings applied;
    ASSERT_EQ(save_settings(file_, page, applied), SaveOutcome::saved);
    EXPECT_EQ(applied.picture_mode, 2);
    EXPECT_EQ(applied.failure_policy, 2);
    EXPECT_EQ(applied.package_layout, 4);
    EXPECT_EQ(read_profile_text(file_, "REPLACE", "to3"), "电话"_gbk);
    EXPECT_EQ(read_profile_text(file_, "REPLACE", "to2"), "联系"_gbk);
    EXPECT_EQ(read_profile_text(file_, "DL_PIC", "fall"), "2");

    SettingsPage loaded;
    AppliedSettings reloaded;
    load_settings(file_, loaded, reloaded);
    EXPECT_EQ(loaded.replace_from, page.replace_from);
    EXPECT_EQ(loaded.replace_to, page.replace_to);
    EXPECT_EQ(loaded.price_percent, "120");
    EXPECT_EQ(loaded.price_decimals, "2");
    EXPECT_EQ(loaded.stock_value, "50");
    EXPECT_TRUE(loaded.price_adjust);
    EXPECT_TRUE(loaded.stock_uniform);
    EXPECT_TRUE(loaded.layout_4x);
    EXPECT_EQ(reloaded.picture_mode, 2);
    EXPECT_EQ(reloaded.failure_policy, 2);
}

TEST_F(CollectSettingsFile, EmptyFailureChoiceStopsAfterTheFirstKeys) {
    SettingsPage page;
    page.failure_choice = "";
    page.price_percent = "130";
    AppliedSettings applied;
    EXPECT_EQ(save_settings(file_, page, applied), SaveOutcome::no_failure_policy);
    EXPECT_EQ(read_profile_text(file_, "PR_INFO", "p_type"), "假"_gbk);
    EXPECT_EQ(read_profile_value(file_, "PR_INFO", "price"), std::nullopt);
}

TEST_F(CollectSettingsFile, UnknownChoiceKeepsThePolicyAndWritesNoFall) {
    SettingsPage page;
    page.failure_choice = "other";
    AppliedSettings applied;
    applied.failure_policy = 1;
    EXPECT_EQ(save_settings(file_, page, applied), SaveOutcome::saved);
    EXPECT_EQ(applied.failure_policy, 1);
    EXPECT_EQ(read_profile_value(file_, "DL_PIC", "fall"), std::nullopt);
}

TEST_F(CollectSettingsFile, FailedWriteIsReported) {
    fs::create_directories(dir_);
    std::ofstream(dir_ / "options") << "a file where the folder should be";
    SettingsPage page;
    AppliedSettings applied;
    EXPECT_EQ(save_settings(file_, page, applied), SaveOutcome::write_failed);
}

struct PathCase {
    const char* name;
    const char* chosen;
    bool accepted;
    const char* path;
    const char* folder;
    const char* base_name;
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }

class OutputPathChoice : public ::testing::TestWithParam<PathCase> {};

TEST_P(OutputPathChoice, SplitAndChecked) {
    const PathCase& c = GetParam();
    const ChosenPath chosen = choose_output_path(c.chosen);
    EXPECT_EQ(chosen.accepted, c.accepted);
    EXPECT_EQ(chosen.output.path, c.path);
    EXPECT_EQ(chosen.output.folder, c.folder);
    EXPECT_EQ(chosen.output.base_name, c.base_name);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputPathChoice,
    ::testing::Values(PathCase{"csv_added", "/out/shop", true, "/out/shop.csv", "/out/", "shop"},
                      PathCase{"first_dot_ends_the_base", "/out/a.b.csv", true, "/out/a.b.csv",
                               "/out/", "a"},
                      PathCase{"dot_only_in_the_folder", "/x.y/shop", false, "", "/x.y/", ""},
                      PathCase{"no_folder", "shop.csv", true, "shop.csv", "", "shop"}),
    [](const auto& info) { return info.param.name; });

TEST(DefaultOutputPath, RunFolderCsvAndSeconds) {
    const OutputPath path = default_output_path("/opt/tool", LocalTime{2023, 11, 15, 6, 13, 20, 0});
    EXPECT_EQ(path.path, "/opt/tool/csv1700000000.csv");
    EXPECT_EQ(path.folder, "/opt/tool/");
    EXPECT_EQ(path.base_name, "csv1700000000");
}

}  // namespace
}  // namespace quorvane
