#include "settings/profile_file.h"

#include <mutex>
#include <system_error>

#include "settings/ini_document.h"
#include "text/file_bytes.h"

namespace quorvane {
namespace {

// Writers read, edit and replace the whole file; one at a time.
std::mutex& profile_mutex() {
    static std::mutex mutex;
    return mutex;
}

// The folder is created first: the settings live in options/ under the
// run folder, which a fresh installation does not have.
bool replace_file(const std::filesystem::path& file, const std::string& content) {
    if (file.has_parent_path()) {
        std::error_code error;
        std::filesystem::create_directories(file.parent_path(), error);
        if (error) {
            return false;
        }
    }
    return replace_file_bytes(file, content);
}

}  // namespace

std::optional<std::string> read_profile_value(const std::filesystem::path& file,
                                              std::string_view section, std::string_view key) {
    std::lock_guard lock(profile_mutex());
    const auto content = read_file_bytes(file);
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
    const auto content = read_file_bytes(file);
    if (exists && !content) {
        return false;  // present but unreadable: never overwrite what we cannot keep
    }
    IniDocument document(content.value_or(std::string()));
    document.set_value(section, key, value);
    return replace_file(file, document.text());
}

}  // namespace quorvane
