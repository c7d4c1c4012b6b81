#include "settings/profile_file.h"

#include <fstream>
#include <iterator>
#include <mutex>
#include <system_error>

#include "settings/ini_document.h"

namespace quorvane {
namespace {

// Writers read, edit and replace the whole file; one at a time.
std::mutex& profile_mutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<std::string> read_file(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    try {
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        return std::nullopt;  // a read error part-way
    }
}

bool replace_file(const std::filesystem::path& file, const std::string& content) {
    std::error_code error;
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path(), error);
        if (error) {
            return false;
        }
    }
    std::filesystem::path temporary = file;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) {
            out.close();
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, file, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> read_profile_value(const std::filesystem::path& file,
                                              std::string_view section, std::string_view key) {
    std::lock_guard lock(profile_mutex());
    const auto content = read_file(file);
    if (!content) {
        return std::nullopt;
    }
    return IniDocument(*content).value(section, key);
}

std::string read_profile_text(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view default_value) {
    auto value = read_profile_value(file, section, key);
    return value ? std::move(*value) : std::string(default_value);
}

bool write_profile_value(const std::filesystem::path& file, std::string_view section,
                         std::string_view key, std::string_view value) {
    std::lock_guard lock(profile_mutex());
    std::error_code error;
    const bool exists = std::filesystem::exists(file, error);
    const auto content = read_file(file);
    if (exists && !content) {
        return false;  // present but unreadable: never overwrite what we cannot keep
    }
    IniDocument document(content.value_or(std::string()));
    document.set_value(section, key, value);
    return replace_file(file, document.text());
}

}  // namespace quorvane
