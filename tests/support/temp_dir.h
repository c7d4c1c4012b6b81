#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace quorvane::testing {

// A folder of the running test's own, empty at the start and removed at
// the end.
class TempDir {
public:
    TempDir() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("quorvane-") + std::to_string(::getpid()) + "-" +
                           test->test_suite_name() + "-" + test->name();
        for (char& c : name) {
            if (c == '/') {
                c = '_';
            }
        }
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace quorvane::testing
