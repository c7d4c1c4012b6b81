#pragma once

#include <filesystem>
#include <mutex>
#include <string>

#include "collect/item_record.h"

// The data package: a comma-separated file in the seller assistant tool's
// 4.X or 5.X import layout. Rows are collected while a run goes on and
// written once at the end. Values are escaped as CSV wants them, so every
// row reads back with exactly its 46 or 48 fields whatever the values hold.
namespace quorvane {

// The layout's header: one line for 4, three lines for any other value.
std::string package_header(int layout);

// One row in the layout (4 or 5), ending in CR LF; "" for any other layout.
// `mall_item_page_host` fills the 4.X link column.
std::string package_row(const ItemRecord& item, int layout, const std::string& mall_item_page_host);

class DataPackage {
public:
    void reset();
    // Appends the item's row; false (and nothing appended) for a layout
    // other than 4 or 5, or once the rows were taken for writing.
    bool append(const ItemRecord& item, int layout, const std::string& mall_item_page_host);
    // Header and rows; closes the package
    // to further rows, so nothing appended after a stop can be lost.
    std::string take_file_text(int layout);
    size_t row_count() const;

private:
    mutable std::mutex mutex_;
    std::string rows_;
    size_t row_count_ = 0;
    bool closed_ = false;
};

// Writes the bytes through a temporary file in the same folder, renamed
// over the target: a failure never leaves half a package in place of an
// older one. False when the file could not be written.
bool write_package_file(const std::string& bytes, const std::filesystem::path& file);

}  // namespace quorvane
