#pragma once

#include <array>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// The queue of items the next collection run copies: four text columns,
// a current row and a set of selected (finished) rows. Thread-safe: the
// crawler's threads and the workers use it while a front end observes it.
namespace quorvane {

enum ItemColumn { column_title = 0, column_price = 1, column_address = 2, column_item_id = 3 };

using ItemRowCells = std::array<std::string, 4>;

struct ItemListChange {
    enum class Kind { appended, cell_changed, removed, cleared, selection, replaced };
    Kind kind;
    int row = -1;  // the row concerned, -1 for the whole list
};

class ItemList {
public:
    using Observer = std::function<void(const ItemListChange&)>;

    // Appends an empty row (or one with its cells, in one step) and gives
    // its position.
    int append_row();
    int append_row(const ItemRowCells& cells);
    void set_cell(int row, int column, const std::string& text);
    // "" for a row or column that does not exist.
    std::string cell_text(int row, int column) const;
    ItemRowCells row(int row) const;
    int row_count() const;
    // The count label's text.
    std::string count_text() const { return std::to_string(row_count()); }

    int current_row() const;  // -1 when none
    void set_current_row(int row);
    std::vector<int> selected_rows() const;  // ascending
    void select_row(int row);
    void clear_selection();

    void delete_row(int row);
    void clear_list();
    // Deletes exactly the selected rows, whatever their titles.
    void delete_selected_rows();

    std::vector<ItemRowCells> rows() const;
    void replace_rows(const std::vector<ItemRowCells>& rows);

    // Observers are called after each change, on the changing thread.
    int subscribe(Observer observer);
    void unsubscribe(int id);

private:
    struct Row {
        ItemRowCells cells;
        bool selected = false;
    };
    void notify(const ItemListChange& change);

    mutable std::mutex mutex_;
    std::vector<Row> rows_;
    int current_row_ = -1;
    std::mutex observers_mutex_;
    std::map<int, Observer> observers_;
    int next_id_ = 1;
};

}  // namespace quorvane
