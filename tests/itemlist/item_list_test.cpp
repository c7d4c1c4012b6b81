#include "itemlist/item_list.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace quorvane {
namespace {

ItemRowCells row_of(const std::string& title, const std::string& id) {
    return ItemRowCells{title, "", "http://item/item.htm?id=" + id, id};
}

TEST(ItemList, CellsRowsAndBounds) {
    ItemList list;
    EXPECT_EQ(list.append_row(), 0);
    list.set_cell(0, column_title, "a");
    list.set_cell(0, column_item_id, "1");
    EXPECT_EQ(list.append_row(row_of("b", "2")), 1);
    EXPECT_EQ(list.cell_text(0, column_title), "a");
    EXPECT_EQ(list.cell_text(1, column_item_id), "2");
    EXPECT_EQ(list.cell_text(5, 0), "");
    EXPECT_EQ(list.cell_text(0, 4), "");
    list.set_cell(7, 0, "ignored");
    EXPECT_EQ(list.row_count(), 2);
    EXPECT_EQ(list.count_text(), "2");
    list.delete_row(0);
    EXPECT_EQ(list.cell_text(0, column_title), "b");
    list.clear_list();
    EXPECT_EQ(list.count_text(), "0");
}

TEST(ItemList, DeleteSelectedRowsDeletesThoseRowsEvenWithTheSameTitle) {
    ItemList list;
    list.append_row(row_of("Dress", "1"));
    list.append_row(row_of("dress", "2"));
    list.append_row(row_of("Dress", "3"));
    list.append_row(row_of("Coat", "4"));
    list.select_row(1);
    list.select_row(2);
    EXPECT_EQ(list.selected_rows(), (std::vector<int>{1, 2}));
    list.set_current_row(3);
    list.delete_selected_rows();
    ASSERT_EQ(list.row_count(), 2);
    EXPECT_EQ(list.cell_text(0, column_item_id), "1");
    EXPECT_EQ(list.cell_text(1, column_item_id), "4");
    EXPECT_TRUE(list.selected_rows().empty());
    EXPECT_EQ(list.current_row(), 1);
}

TEST(ItemList, ObserversHearEveryChange) {
    ItemList list;
    std::vector<ItemListChange::Kind> kinds;
    const int id =
        list.subscribe([&](const ItemListChange& change) { kinds.push_back(change.kind); });
    list.append_row(row_of("a", "1"));
    list.set_cell(0, column_price, "9.90");
    list.select_row(0);
    list.delete_selected_rows();
    list.replace_rows({row_of("b", "2")});
    list.clear_list();
    list.unsubscribe(id);
    list.append_row();
    using Kind = ItemListChange::Kind;
    EXPECT_EQ(kinds, (std::vector<Kind>{Kind::appended, Kind::cell_changed, Kind::selection,
                                        Kind::removed, Kind::replaced, Kind::cleared}));
}

TEST(ItemListConcurrency, RowsKeepTheirOwnCellsWhileOthersAppend) {
    ItemList list;
    std::vector<std::thread> threads;
    for (int t = 0; t < 5; ++t) {
        threads.emplace_back([&list, t] {
            for (int i = 0; i < 200; ++i) {
                const std::string id = std::to_string(t) + "-" + std::to_string(i);
                if (i % 2 == 0) {
                    list.append_row(row_of("title " + id, id));
                } else {
                    // Cells set one by one on the position append_row gave.
                    const int row = list.append_row();
                    list.set_cell(row, column_title, "title " + id);
                    list.set_cell(row, column_item_id, id);
                    list.set_cell(row, column_address, "http://item/item.htm?id=" + id);
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    ASSERT_EQ(list.row_count(), 1000);
    for (const ItemRowCells& row : list.rows()) {
        EXPECT_EQ(row[column_title], "title " + row[column_item_id]);
        EXPECT_EQ(row[column_address], "http://item/item.htm?id=" + row[column_item_id]);
    }
}

}  // namespace
}  // namespace quorvane
