#pragma once

#include <string>
#include <vector>

namespace quorvane::cli {

// Each command returns the process's exit status: 0 success, 1 nothing
// done, 2 bad arguments (with a one-line reason on standard error).
int add_command(const std::vector<std::string>& arguments);
int collect_command(const std::vector<std::string>& arguments);

}  // namespace quorvane::cli
