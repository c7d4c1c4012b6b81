#include "marketplace/credential_source.h"

#include <fstream>
#include <string>

namespace quorvane {
namespace {

std::string_view trim_blanks(std::string_view s) {
    const size_t begin = s.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos) {
        return {};
    }
    return s.substr(begin, s.find_last_not_of(" \t\r") - begin + 1);
}

}  // namespace

std::filesystem::path credentials_file(const std::filesystem::path& run_dir) {
    return run_dir / "options" / "credentials.txt";
}

CredentialLoad load_credentials(const std::filesystem::path& file) {
    CredentialLoad load;
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (error || !std::filesystem::is_regular_file(status)) {
        return load;
    }
    using std::filesystem::perms;
    load.readable_by_others =
        (status.permissions() & (perms::group_read | perms::others_read)) != perms::none;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const std::string_view text = trim_blanks(line);
        if (text.empty() || text.front() == '#') {
            continue;
        }
        const size_t gap = text.find_first_of(" \t");
        if (gap == std::string_view::npos) {
            continue;  // a key without a secret
        }
        const std::string_view secret = trim_blanks(text.substr(gap));
        if (!secret.empty()) {
            load.pool.push_back({std::string(text.substr(0, gap)), std::string(secret)});
        }
    }
    return load;
}

}  // namespace quorvane
