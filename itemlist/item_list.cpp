#include "itemlist/item_list.h"

namespace quorvane {

int ItemList::append_row() { return append_row(ItemRowCells{}); }

int ItemList::append_row(const ItemRowCells& cells) {
    int position = 0;
    {
        std::lock_guard lock(mutex_);
        rows_.push_back(Row{cells, false});
        position = static_cast<int>(rows_.size()) - 1;
    }
    notify({ItemListChange::Kind::appended, position});
    return position;
}

void ItemList::set_cell(int row, int column, const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column > 3) {
            return;
        }
        rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)] = text;
    }
    notify({ItemListChange::Kind::cell_changed, row});
}

std::string ItemList::cell_text(int row, int column) const {
    std::lock_guard lock(mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column > 3) {
        return {};
    }
    return rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
}

ItemRowCells ItemList::row(int row) const {
    std::lock_guard lock(mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size())) {
        return {};
    }
    return rows_[static_cast<size_t>(row)].cells;
}

int ItemList::row_count() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(rows_.size());
}

int ItemList::current_row() const {
    std::lock_guard lock(mutex_);
    return current_row_;
}

void ItemList::set_current_row(int row) {
    std::lock_guard lock(mutex_);
    current_row_ = row >= 0 && row < static_cast<int>(rows_.size()) ? row : -1;
}

std::vector<int> ItemList::selected_rows() const {
    std::lock_guard lock(mutex_);
    std::vector<int> selected;
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].selected) {
            selected.push_back(static_cast<int>(i));
        }
    }
    return selected;
}

void ItemList::select_row(int row) {
    {
        std::lock_guard lock(mutex_);
        if (row < 0 || row >= static_cast<int>(rows_.size())) {
            return;
        }
        rows_[static_cast<size_t>(row)].selected = true;
    }
    notify({ItemListChange::Kind::selection, row});
}

void ItemList::clear_selection() {
    {
        std::lock_guard lock(mutex_);
        for (Row& row : rows_) {
            row.selected = false;
        }
    }
    notify({ItemListChange::Kind::selection, -1});
}

void ItemList::delete_row(int row) {
    {
        std::lock_guard lock(mutex_);
        if (row < 0 || row >= static_cast<int>(rows_.size())) {
            return;
        }
        rows_.erase(rows_.begin() + row);
        if (current_row_ == row) {
            current_row_ = -1;
        } else if (current_row_ > row) {
            --current_row_;
        }
    }
    notify({ItemListChange::Kind::removed, row});
}

void ItemList::clear_list() {
    {
        std::lock_guard lock(mutex_);
        rows_.clear();
        current_row_ = -1;
    }
    notify({ItemListChange::Kind::cleared, -1});
}

void ItemList::delete_selected_rows() {
    std::vector<int> removed;
    {
        std::lock_guard lock(mutex_);
        std::vector<Row> kept;
        kept.reserve(rows_.size());
        int new_current = -1;
        for (size_t i = 0; i < rows_.size(); ++i) {
            if (rows_[i].selected) {
                removed.push_back(static_cast<int>(i));
                continue;
            }
            if (static_cast<int>(i) == current_row_) {
                new_current = static_cast<int>(kept.size());
            }
            kept.push_back(std::move(rows_[i]));
        }
        rows_ = std::move(kept);
        current_row_ = new_current;
    }
    // From the bottom up, so each position is still right when it is told.
    for (auto it = removed.rbegin(); it != removed.rend(); ++it) {
        notify({ItemListChange::Kind::removed, *it});
    }
}

std::vector<ItemRowCells> ItemList::rows() const {
    std::lock_guard lock(mutex_);
    std::vector<ItemRowCells> cells;
    cells.reserve(rows_.size());
    for (const Row& row : rows_) {
        cells.push_back(row.cells);
    }
    return cells;
}

void ItemList::replace_rows(const std::vector<ItemRowCells>& rows) {
    {
        std::lock_guard lock(mutex_);
        rows_.clear();
        for (const ItemRowCells& cells : rows) {
            rows_.push_back(Row{cells, false});
        }
        current_row_ = -1;
    }
    notify({ItemListChange::Kind::replaced, -1});
}

int ItemList::subscribe(Observer observer) {
    std::lock_guard lock(observers_mutex_);
    observers_.emplace(next_id_, std::move(observer));
    return next_id_++;
}

void ItemList::unsubscribe(int id) {
    std::lock_guard lock(observers_mutex_);
    observers_.erase(id);
}

void ItemList::notify(const ItemListChange& change) {
    std::lock_guard lock(observers_mutex_);
    for (const auto& [id, observer] : observers_) {
        observer(change);
    }
}

}  // namespace quorvane
