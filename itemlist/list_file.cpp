#include "itemlist/list_file.h"

#include "text/file_bytes.h"
#include "text/gbk_search.h"

namespace quorvane {

std::string list_file_text(const std::vector<ItemRowCells>& rows) {
    std::string text;
    for (const ItemRowCells& row : rows) {
        text += row[column_title] + "||" + row[column_item_id] + "||" + row[column_price] + "||" +
                row[column_address] + "\r\n";
    }
    return std::string(trim(text));
}

std::vector<ItemRowCells> parse_list_file(std::string_view text) {
    std::vector<ItemRowCells> rows;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        pos = end + 1;
        std::vector<std::string_view> fields;
        size_t start = 0;
        for (size_t bar = find_text(line, "||"); bar != not_found;
             bar = find_text(line, "||", start)) {
            fields.push_back(line.substr(start, bar - start));
            start = bar + 2;
        }
        fields.push_back(line.substr(start));
        if (fields.size() != 4) {
            continue;
        }
        ItemRowCells row;
        row[column_title] = std::string(fields[0]);
        row[column_item_id] = std::string(fields[1]);
        row[column_price] = std::string(fields[2]);
        row[column_address] = std::string(fields[3]);
        rows.push_back(std::move(row));
    }
    return rows;
}

ImportOutcome import_list(ItemList& list, const std::filesystem::path& file) {
    const auto text = read_file_bytes(file);
    if (!text) {
        return {ImportOutcome::Status::unreadable, 0};
    }
    const std::vector<ItemRowCells> rows = parse_list_file(*text);
    if (rows.empty()) {
        return {ImportOutcome::Status::nothing_imported, 0};
    }
    list.replace_rows(rows);
    return {ImportOutcome::Status::imported, static_cast<int>(rows.size())};
}

bool write_list_file(const std::vector<ItemRowCells>& rows, const std::filesystem::path& file) {
    return replace_file_bytes(file, list_file_text(rows));
}

ExportOutcome export_list(const ItemList& list, const std::filesystem::path& file) {
    const std::vector<ItemRowCells> rows = list.rows();
    if (rows.empty()) {
        return ExportOutcome::empty_list;
    }
    return write_list_file(rows, file) ? ExportOutcome::written : ExportOutcome::failed;
}

}  // namespace quorvane
