#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "itemlist/item_list.h"

// List files: one row per line, "title||id||price||address", GBK, every
// line ending in CR LF, the whole text trimmed. Fields are not escaped, so
// a title holding "||" makes a line that is skipped on reading.
namespace quorvane {

std::string list_file_text(const std::vector<ItemRowCells>& rows);

// The rows of the lines that have exactly four fields.
std::vector<ItemRowCells> parse_list_file(std::string_view text);

struct ImportOutcome {
    enum class Status { imported, nothing_imported, unreadable } status;
    int rows = 0;
};

// Replaces the list by the file's rows. A file without one valid line (or
// one that cannot be read) leaves the list as it was.
ImportOutcome import_list(ItemList& list, const std::filesystem::path& file);

enum class ExportOutcome { written, empty_list, failed };

// Writes the list through a temporary file renamed over the target, so a
// failed write never leaves half a file.
ExportOutcome export_list(const ItemList& list, const std::filesystem::path& file);

bool write_list_file(const std::vector<ItemRowCells>& rows, const std::filesystem::path& file);

}  // namespace quorvane
