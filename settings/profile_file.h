#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Profile functions over an INI file on disk (see IniDocument for the
// reading rules). Reads never fail: a missing file reads as empty.
namespace quorvane {

// nullopt when the file, the section or the key is missing.
std::optional<std::string> read_profile_value(const std::filesystem::path& file,
                                              std::string_view section, std::string_view key);

// The value, or `default_value` when the key is missing (not when empty).
std::string read_profile_text(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view default_value = {});

// Writes one key, creating the folder, the file, the section and the key as
// needed. The file is replaced whole through a temporary file, so a failed
// write leaves the old file as it was. False when it could not be written.
bool write_profile_value(const std::filesystem::path& file, std::string_view section,
                         std::string_view key, std::string_view value);

}  // namespace quorvane
