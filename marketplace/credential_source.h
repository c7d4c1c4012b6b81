#pragma once

#include <filesystem>
#include <vector>

#include "marketplace/api_credential.h"

// The credential pool's source: options/credentials.txt under the run
// folder, one pair a line (key, a blank or a tab, secret), "#" starting a
// comment line, in file order.
namespace quorvane {

struct CredentialLoad {
    std::vector<ApiCredential> pool;
    bool readable_by_others = false;  // group or others may read the file
};

std::filesystem::path credentials_file(const std::filesystem::path& run_dir);

// An unreadable or missing file gives an empty pool.
CredentialLoad load_credentials(const std::filesystem::path& file);

}  // namespace quorvane
