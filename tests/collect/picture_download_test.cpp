#include "collect/picture_download.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/fixed_clock.h"
#include "support/gbk_literal.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "text/gbk_conversion.h"
#include "text/md5.h"

namespace quorvane {
namespace {

using testing::LoopbackServer;
using testing::operator""_gbk;
using testing::RawRequest;
using testing::Reply;
namespace fs = std::filesystem;

const std::string jpeg = "\xFF\xD8\xFF\xE0 jpeg bytes";

class PictureDownload : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<LoopbackServer>([](const RawRequest& request) {
            const std::string line = request.request_line();
            if (line.find("/missing") != std::string::npos) {
                return Reply{"HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"};
            }
            return Reply::ok(jpeg);
        });
        job_.picture_folder = utf8_to_gbk(folder_.string());
        job_.log = &log_;
        host_ = "127.0.0.1:" + std::to_string(server_->port());
    }

    std::vector<std::string> log_bodies() const {
        std::vector<std::string> bodies;
        for (const std::string& line : log_.lines()) {
            bodies.push_back(line.substr(runlog_time_text(clock_.now()).size()));
        }
        return bodies;
    }

    testing::FixedClock clock_{LocalTime{2024, 3, 5, 7, 8, 9, 0}};
    RunLog log_{clock_};
    std::unique_ptr<LoopbackServer> server_;
    testing::TempDir temp_;
    const fs::path folder_ = temp_.path();
    std::string host_;
    PictureJob job_;
    PatternSearch search_;
};

TEST(TitleFolder, RemovesPathCharacters) {
    EXPECT_EQ(title_folder("A/B. C:D%"), "ABCD");
    EXPECT_EQ(title_folder("a\\b"), "ab");
}

TEST_F(PictureDownload, KeptPictureBecomesALocalFile) {
    ItemRecord item;
    item.title = "宝贝 1"_gbk;
    const std::string address = host_ + "/imgextra/taobao/a.jpg";
    item.desc =
        "<p><IMG src=\"\"http://" + address + "\"\"></p><img src=\"\"HTTP://" + address + "\"\">";
    item.wireless_desc = "<img>http://" + address + "</img>";
    download_description_pictures(item, search_, job_);
    const std::string name = md5_middle16(address) + ".jpg";
    const std::string item_folder = job_.picture_folder + "/" + "宝贝1"_gbk;
    EXPECT_EQ(item.desc, "<p><IMG src=\"\"file://" + item_folder + "/" + name +
                             "\"\"></p><img src=\"\"file://" + item_folder + "/" + name + "\"\">");
    EXPECT_EQ(item.wireless_desc, "<img>" + item_folder + "/" + name + "</img>");
    EXPECT_TRUE(fs::exists(fs::path(gbk_to_utf8(item_folder)) / name));
}

struct PolicyCase {
    const char* name;
    int policy;
    bool address_kept;
    std::vector<std::string> lines;  // after the "downloading" line
};

void PrintTo(const PolicyCase& c, std::ostream* os) { *os << c.name; }

class PicturePolicies : public PictureDownload, public ::testing::WithParamInterface<PolicyCase> {};

TEST_P(PicturePolicies, FailedPicture) {
    job_.failure_policy = GetParam().policy;
    job_.row_number = 2;
    job_.run_total = 7;
    ItemRecord item;
    item.title = "t";
    const std::string address = host_ + "/imgextra/taobao/missing.jpg";
    item.desc = "<table background=\"\"http://" + address + "\"\">";
    download_description_pictures(item, search_, job_);
    EXPECT_EQ(item.desc.find(address) != std::string::npos, GetParam().address_kept);
    if (!GetParam().address_kept) {
        EXPECT_EQ(item.desc, "<table background=\"\"\"\">");
    }
    std::vector<std::string> expected = {" 线程：1  正在下载第:2/7 个宝贝 描述图片 1/1\r\n"_gbk};
    for (const std::string& line : GetParam().lines) {
        expected.push_back(line);
    }
    EXPECT_EQ(log_bodies(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PicturePolicies,
    ::testing::Values(
        PolicyCase{"keep", 1, true, {}},
        PolicyCase{"delete",
                   2,
                   false,
                   {" 线程：1  第:2/7 个宝贝 描述图片 字节集为0 已经删除 1/1\r\n"_gbk}},
        PolicyCase{
            "retry_then_delete",
            3,
            false,
            {" 线程：1  第:2/7 个宝贝 描述图片 字节集为0 正在重新下载 1/1\r\n"_gbk,
             " 线程：1  第:2/7 个宝贝 描述图片 字节集为0 重新下载失败===已经删除图片 1/1\r\n"_gbk}}),
    [](const auto& info) { return info.param.name; });

TEST_F(PictureDownload, OnlyThePictureSpaceInModeTwo) {
    job_.picture_mode = 2;
    ItemRecord item;
    item.title = "t";
    item.desc = "<IMG src=\"\"http://" + host_ + "/img/outside/TAOBAO.jpg\"\">";
    const std::string before = item.desc;
    download_description_pictures(item, search_, job_);
    EXPECT_EQ(item.desc, before);
    EXPECT_EQ(log_bodies(),
              std::vector<std::string>{
                  " 线程：1  正在下载第:1/1 个宝贝 描述图片 1/1  非淘宝空间图片 已跳过\r\n"_gbk});
    // Mode 0 leaves the description alone and makes no item folder.
    job_.picture_mode = 0;
    item.title = "u";
    download_description_pictures(item, search_, job_);
    EXPECT_EQ(item.desc, before);
    EXPECT_FALSE(fs::exists(fs::path(gbk_to_utf8(job_.picture_folder)) / "u"));
}

TEST_F(PictureDownload, PictureListInBothLayouts) {
    XmlDocument answer;
    answer.load("<item_get_response><item><item_imgs><item_img><url>http://" + host_ +
                "/a.jpg</url></item_img><item_img><url>http://" + host_ +
                "/missing.jpg</url></item_img></item_imgs><prop_imgs><prop_img><properties>1:2"
                "</properties><url>http://" +
                host_ +
                "/p.jpg</url></prop_img></prop_imgs>"
                "</item></item_get_response>");
    for (const auto& [layout, selected, codes] :
         {std::tuple{5, false, std::vector<std::string>{":1:0:|;", ":1:1:|;", ":2:0:1:2|;"}},
          std::tuple{4, true, std::vector<std::string>{":0:0:|;", ":0:1:|;", ":1:0:1:2|;"}}}) {
        job_.package_layout = layout;
        job_.layout_4x_selected = selected;
        ItemRecord item;
        item.title = "t";
        item.num_iid = "9";
        download_item_pictures(item, answer, job_);
        ASSERT_EQ(item.picture_list.size(),
                  3 * 32 + codes[0].size() + codes[1].size() + codes[2].size());
        EXPECT_EQ(item.picture_list.substr(32, codes[0].size()), codes[0]);
        const std::string first = item.picture_list.substr(0, 32) + ".tbi";
        const std::string second = item.picture_list.substr(32 + codes[0].size(), 32) + ".tbi";
        EXPECT_EQ(fs::file_size(folder_ / first), jpeg.size());
        // The error page is a failed download: an empty file, not the page.
        EXPECT_EQ(fs::file_size(folder_ / second), 0u);
    }
}

}  // namespace
}  // namespace quorvane
