#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Whole-file reads and writes for the files the program keeps: settings,
// list files, data packages.
namespace quorvane {

// The file's bytes; nullopt when it is not a readable regular file.
std::optional<std::string> read_file_bytes(const std::filesystem::path& file);

// Writes the bytes to a temporary file in the same folder and renames it
// over `file`, so a failure never leaves half a file in place of the old
// one. The folder must exist. False when the file could not be written.
bool replace_file_bytes(const std::filesystem::path& file, const std::string& bytes);

}  // namespace quorvane
