#include "itemlist/list_file.h"

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

class ListFile : public ::testing::Test {
protected:
    std::string read(const fs::path& file) { return read_file_bytes(file).value_or(""); }
    void write(const fs::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }
    testing::TempDir temp_;
    const fs::path dir_ = temp_.path();
};

TEST_F(ListFile, ExportThenImportGivesTheSameRows) {
    ItemList list;
    // 皘 (B0 7C) ends in a "|" byte; the separator must still be found whole.
    list.append_row({"  连衣裙"_gbk, "128.00", "http://item/item.htm?id=1", "1"});
    list.append_row({"\xB0\x7C", "", "http://item/item.htm?id=2 ", "2"});
    const fs::path file = dir_ / "list.txt";
    ASSERT_EQ(export_list(list, file), ExportOutcome::written);
    EXPECT_EQ(read(file), "连衣裙||1||128.00||http://item/item.htm?id=1\r\n"_gbk +
                              "\xB0\x7C||2||||http://item/item.htm?id=2 \r\n");
    ItemList again;
    again.append_row({"old", "", "", "0"});
    const ImportOutcome outcome = import_list(again, file);
    EXPECT_EQ(outcome.status, ImportOutcome::Status::imported);
    EXPECT_EQ(outcome.rows, 2);
    ASSERT_EQ(again.row_count(), 2);
    EXPECT_EQ(again.row(0),
              (ItemRowCells{"连衣裙"_gbk, "128.00", "http://item/item.htm?id=1", "1"}));
    EXPECT_EQ(again.row(1), (ItemRowCells{"\xB0\x7C", "", "http://item/item.htm?id=2 ", "2"}));
}

TEST_F(ListFile, LinesWithoutFourFieldsAreSkipped) {
    const auto rows = parse_list_file(
        "a||1||2||http://x\r\nthree||fields||only\r\nfive||a||b||c||d\n"
        "title||with||bars||x||http://y\r\nb||2||||http://z");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][column_title], "a");
    EXPECT_EQ(rows[1][column_address], "http://z");
}

TEST_F(ListFile, ImportWithoutAValidLineKeepsTheList) {
    ItemList list;
    list.append_row({"kept", "", "http://item/item.htm?id=9", "9"});
    write(dir_ / "bad.txt", "three||fields||only\r\n\r\n");
    EXPECT_EQ(import_list(list, dir_ / "bad.txt").status, ImportOutcome::Status::nothing_imported);
    EXPECT_EQ(import_list(list, dir_ / "missing.txt").status, ImportOutcome::Status::unreadable);
    ASSERT_EQ(list.row_count(), 1);
    EXPECT_EQ(list.cell_text(0, column_title), "kept");
}

TEST_F(ListFile, ExportReportsAnEmptyListAndAFailedWrite) {
    ItemList list;
    EXPECT_EQ(export_list(list, dir_ / "empty.txt"), ExportOutcome::empty_list);
    EXPECT_FALSE(fs::exists(dir_ / "empty.txt"));
    list.append_row({"a", "", "", "1"});
    fs::create_directories(dir_ / "taken" / "inner");
    EXPECT_EQ(export_list(list, dir_ / "taken"), ExportOutcome::failed);
    EXPECT_EQ(export_list(list, dir_ / "no" / "such" / "folder.txt"), ExportOutcome::failed);
    EXPECT_TRUE(fs::is_directory(dir_ / "taken" / "inner"));
}

}  // namespace
}  // namespace quorvane
