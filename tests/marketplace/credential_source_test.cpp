#include "marketplace/credential_source.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace quorvane {
namespace {

namespace fs = std::filesystem;

TEST(CredentialSource, PairsInFileOrderCommentsSkipped) {
    const fs::path dir =
        fs::temp_directory_path() / ("quorvane-cred-" + std::to_string(::getpid()));
    const fs::path file = credentials_file(dir);
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << "# key secret\r\n21000001 secret-one\r\n\r\n"
                                             "  31000099\tproxy secret\r\nlonely-key\r\n"
                                             "#21000009 commented\n21000002  two \n";
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    CredentialLoad load = load_credentials(file);
    ASSERT_EQ(load.pool.size(), 3u);
    EXPECT_EQ(load.pool[0].app_key, "21000001");
    EXPECT_EQ(load.pool[0].app_secret, "secret-one");
    EXPECT_EQ(load.pool[1].app_key, "31000099");
    EXPECT_EQ(load.pool[1].app_secret, "proxy secret");
    EXPECT_EQ(load.pool[2].app_secret, "two");
    EXPECT_FALSE(load.readable_by_others);
    fs::permissions(file, fs::perms::others_read, fs::perm_options::add);
    EXPECT_TRUE(load_credentials(file).readable_by_others);
    fs::remove_all(dir);
    EXPECT_TRUE(load_credentials(file).pool.empty());
}

}  // namespace
}  // namespace quorvane
