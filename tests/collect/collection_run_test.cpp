#include "collect/collection_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "collect/field_transforms.h"
#include "sandbox/sandbox.h"
#include "support/gbk_literal.h"
#include "text/gbk_conversion.h"

namespace quorvane {
namespace {

using testing::operator""_gbk;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A standard reading of one CSV line.
std::vector<std::string> csv_values(const std::string& line) {
    std::vector<std::string> values(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            values.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            values.emplace_back();
        } else {
            values.back() += c;
        }
    }
    return values;
}

std::vector<std::string> package_lines(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    std::vector<std::string> lines;
    size_t pos = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", pos)) {
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

class CollectionRunTest : public ::testing::Test {
protected:
    void SetUp() override { start_sandbox(sandbox::SandboxConfig{}); }
    void TearDown() override {
        run_.reset();
        sandbox_.reset();
        fs::remove_all(dir_);
    }

    void start_sandbox(sandbox::SandboxConfig config) {
        run_.reset();
        config.size = sandbox::CatalogueSize{2, 6, 6};
        sandbox_ = std::make_unique<sandbox::Sandbox>(config);
        ASSERT_TRUE(sandbox_->start());
        dir_ = fs::temp_directory_path() /
               ("quorvane-run-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        output_ = split_output_path(utf8_to_gbk((dir_ / "package.csv").string()));
        credentials_ = {{"21000001", "sandbox-secret-one"}};
        AppliedSettings applied{1, 3, 5};
        options_.set_applied(applied);
    }

    void list_items(size_t count) {
        for (size_t i = 0; i < count; ++i) {
            const sandbox::Item& item = sandbox_->catalogue().items[i];
            list_.append_row(
                {item.title, item.price, "http://x/item.htm?id=" + item.num_iid, item.num_iid});
        }
    }

    CollectionRun& make_run() {
        RunSetup setup{
            list_,           log_, options_, credentials_, sandbox_->endpoints(), output_, events_,
            &system_clock(), 5s};
        run_ = std::make_unique<CollectionRun>(setup);
        return *run_;
    }

    size_t log_count(const std::string& piece) const {
        size_t n = 0;
        for (const std::string& line : log_.lines()) {
            n += line.find(piece) != std::string::npos ? 1 : 0;
        }
        return n;
    }

    std::unique_ptr<sandbox::Sandbox> sandbox_;
    fs::path dir_;
    OutputPath output_;
    std::vector<ApiCredential> credentials_;
    ItemList list_;
    RunLog log_;
    LiveOptions options_;
    RunEvents events_;
    std::unique_ptr<CollectionRun> run_;
};

TEST_F(CollectionRunTest, PackageMatchesTheCatalogueFieldByField) {
    list_items(12);
    CollectionRun& run = make_run();
    ASSERT_EQ(run.start(), CollectionRun::Start::started);
    run.wait();
    const RunTotals totals = run.totals();
    EXPECT_EQ(totals.total, 12);
    EXPECT_EQ(totals.succeeded, 12);
    EXPECT_EQ(totals.failed, 0);
    EXPECT_TRUE(totals.package_written);
    EXPECT_EQ(list_.row_count(), 0);  // the finished rows left the list
    EXPECT_EQ(log_count(" 文件写成功！"_gbk), 1u);

    const auto lines = package_lines(dir_ / "package.csv");
    ASSERT_EQ(lines.size(), 3u + 12u);
    std::map<std::string, std::vector<std::string>> rows;
    for (size_t i = 3; i < lines.size(); ++i) {
        const auto values = csv_values(lines[i]);
        ASSERT_EQ(values.size(), 48u);
        rows[values[36]] = values;
    }
    for (size_t i = 0; i < 12; ++i) {
        const sandbox::Item& item = sandbox_->catalogue().items[i];
        ASSERT_TRUE(rows.count(item.num_iid));
        const auto& v = rows[item.num_iid];
        EXPECT_EQ(v[0], clean_title(item.title)) << item.num_iid;
        EXPECT_EQ(v[1], item.fields.at("cid"));
        EXPECT_EQ(v[2], item.fields.at("seller_cids"));
        EXPECT_EQ(v[4], item.location.at("state"));
        EXPECT_EQ(v[5], item.location.at("city"));
        EXPECT_EQ(v[7], item.price);
        EXPECT_EQ(v[9], item.fields.at("num"));
        EXPECT_EQ(v[11], freight_payer_code(item.fields.at("freight_payer"), false));
        EXPECT_EQ(v[16], warranty_code(item.fields.at("has_warranty")));
        EXPECT_EQ(v[21], props_text(item.fields.at("props")));
        EXPECT_EQ(v[25], approve_status_code(item.fields.at("approve_status")));
        std::vector<SkuValues> skus;
        for (const auto& sku : item.skus) {
            skus.push_back({sku.price, sku.quantity, sku.outer_id, sku.properties});
        }
        EXPECT_EQ(v[30], sku_text(skus, ItemOptions{}));
        EXPECT_EQ(v[34], property_alias_text(item.fields.at("property_alias")));
        EXPECT_EQ(v[45], item.fields.at("item_size"));
        // picture_list: one entry per main and sale-property picture.
        size_t entries = 0;
        for (size_t at = v[28].find("|;"); at != std::string::npos; at = v[28].find("|;", at + 2)) {
            ++entries;
        }
        EXPECT_EQ(entries, item.main_pictures.size() + item.prop_pictures.size());
        // The description refers to local files for the pictures that came.
        EXPECT_NE(v[20].find("file://"), std::string::npos);
        EXPECT_EQ(v[20].find("&lt;"), std::string::npos);
    }
}

TEST_F(CollectionRunTest, FourXLayoutLinksToTheMallHost) {
    AppliedSettings applied{0, 3, 4};
    options_.set_applied(applied);
    list_items(2);
    CollectionRun& run = make_run();
    ASSERT_EQ(run.start(), CollectionRun::Start::started);
    run.wait();
    const auto lines = package_lines(dir_ / "package.csv");
    ASSERT_EQ(lines.size(), 3u);
    const auto values = csv_values(lines[1]);
    ASSERT_EQ(values.size(), 46u);
    EXPECT_EQ(values[45], "http://" + sandbox_->endpoints().mall_item_page_host +
                              "/item.htm?id=" + values[44] + "&");
}

TEST_F(CollectionRunTest, ThreeRowsFiveWorkersCompleteOnce) {
    list_items(3);
    CollectionRun& run = make_run();
    ASSERT_EQ(run.start(), CollectionRun::Start::started);
    run.wait();
    EXPECT_EQ(run.totals().succeeded, 3);
    EXPECT_EQ(log_count(" 正在写文件..."_gbk), 1u);
    EXPECT_EQ(log_count(" 个宝贝 下载完成！\r\n"_gbk), 3u);
}

TEST_F(CollectionRunTest, LimitsAndEmptyIds) {
    for (int i = 0; i < 1001; ++i) {
        list_.append_row({"t", "", "", ""});
    }
    CollectionRun& run = make_run();
    EXPECT_EQ(run.start(), CollectionRun::Start::too_many_rows);
    EXPECT_EQ(list_.row_count(), 1001);
    list_.delete_row(0);
    // 1,000 rows start; all without ids, so the run holds none.
    ASSERT_EQ(run.start(), CollectionRun::Start::started);
    run.wait();
    EXPECT_EQ(log_count("  去除空ID宝贝【实际宝贝数量为0  个宝贝】"_gbk), 1u);
    EXPECT_EQ(run.totals().total, 0);
    EXPECT_EQ(package_lines(dir_ / "package.csv").size(), 3u);  // the header only

    ItemList& list = list_;
    list.clear_list();
    list_items(4);
    list.set_cell(1, column_item_id, "");
    list.set_cell(2, column_item_id, "");
    ASSERT_EQ(run.start(), CollectionRun::Start::started);
    run.wait();
    EXPECT_EQ(log_count("  去除空ID宝贝【实际宝贝数量为2  个宝贝】"_gbk), 1u);
    EXPECT_EQ(run.totals().succeeded, 2);

    CollectionRun empty_run(RunSetup{list_,
                                     log_,
                                     options_,
                                     credentials_,
                                     sandbox_->endpoints(),
                                     OutputPath{},
                                     {},
                                     &system_clock(),
                                     5s});
    list_items(1);
    EXPECT_EQ(empty_run.start(), CollectionRun::Start::no_output_path);
    list_.clear_list();
    EXPECT_EQ(empty_run.start(), CollectionRun::Start::empty_list);
}

TEST_F(CollectionRunTest, RetriesOverOneAndThreeCredentials) {
    sandbox::SandboxConfig config;
    const auto catalogue = sandbox::make_catalogue(sandbox::CatalogueSize{2, 6, 6}, config.seed);
    config.faults.failing_items[catalogue.items[0].num_iid] = -1;  // always an error answer
    config.credentials = {{"k1", "s1"}, {"k2", "s2"}, {"k3", "s3"}, {"k4", "s4"}};
    config.faults.throttled_keys = {{"k1", 1}, {"k2", 1}, {"k3", 1}};
    start_sandbox(config);

    // One credential: a failing item is fetched twice and gets no row.
    credentials_ = {{"k4", "s4"}};
    list_items(1);
    CollectionRun& one = make_run();
    ASSERT_EQ(one.start(), CollectionRun::Start::started);
    one.wait();
    EXPECT_EQ(log_count("个宝贝下载失败！正在重试！"_gbk), 1u);
    EXPECT_EQ(log_count("个宝贝下载失败！####"_gbk), 1u);
    EXPECT_EQ(one.totals().failed, 1);
    EXPECT_EQ(list_.row_count(), 1);  // the failed row stays

    // Three credentials, each refused once: the third retry succeeds, the
    // exhausted line is still logged, and the item is written.
    list_.clear_list();
    list_.append_row({"t", "", "", catalogue.items[1].num_iid});
    credentials_ = {{"k1", "s1"}, {"k2", "s2"}, {"k3", "s3"}};
    CollectionRun& three = make_run();
    ASSERT_EQ(three.start(), CollectionRun::Start::started);
    three.wait();
    EXPECT_EQ(log_count("个宝贝下载失败！正在重试！"_gbk), 1u + 3u);
    EXPECT_EQ(log_count("个宝贝下载失败！####"_gbk), 2u);
    EXPECT_EQ(three.totals().succeeded, 1);
}

class CollectionRunConcurrency : public CollectionRunTest {};

TEST_F(CollectionRunConcurrency, StopWithoutWritingLeavesTheList) {
    sandbox::SandboxConfig config;
    config.faults.hang_paths = {"/bao/uploaded/"};  // every main picture hangs
    start_sandbox(config);
    list_items(6);
    std::atomic<int> claimed{0};
    events_.row_claimed = [&](int) { ++claimed; };
    CollectionRun& run = make_run();
    ASSERT_EQ(run.start(), CollectionRun::Start::started);
    while (claimed.load() < 5) {
        std::this_thread::sleep_for(1ms);
    }
    run.stop(false);
    EXPECT_FALSE(run.running());
    EXPECT_FALSE(fs::exists(dir_ / "package.csv"));
    EXPECT_EQ(list_.row_count(), 6);
}

TEST_F(CollectionRunConcurrency, StopWritingKeepsTheFinishedItems) {
    sandbox::SandboxConfig config;
    const auto catalogue = sandbox::make_catalogue(sandbox::CatalogueSize{2, 6, 6}, config.seed);
    for (size_t i = 3; i < 6; ++i) {  // the last three items hang in their main pictures
        config.faults.hang_paths.push_back("/bao/uploaded/taobao/i1/" + catalogue.items[i].num_iid);
    }
    start_sandbox(config);
    list_items(6);
    std::atomic<int> finished{0};
    events_.row_finished = [&](int) { ++finished; };
    CollectionRun& run = make_run();
    ASSERT_EQ(run.start(), CollectionRun::Start::started);
    while (finished.load() < 3) {
        std::this_thread::sleep_for(1ms);
    }
    run.pause();  // a paused run can be stopped too
    run.stop(true);
    const RunTotals totals = run.totals();
    EXPECT_EQ(totals.succeeded, 3);
    EXPECT_EQ(totals.failed, 3);
    EXPECT_TRUE(totals.package_written);
    EXPECT_EQ(package_lines(dir_ / "package.csv").size(), 3u + 3u);
    EXPECT_EQ(list_.row_count(), 3);
    for (const ItemRowCells& row : list_.rows()) {
        EXPECT_GE(row[column_item_id], catalogue.items[3].num_iid);
    }
}

TEST_F(CollectionRunConcurrency, PauseHoldsTheWorkersUntilResumed) {
    list_items(8);
    std::atomic<int> claimed{0};
    events_.row_claimed = [&](int) { ++claimed; };
    CollectionRun& run = make_run();
    run.pause();
    ASSERT_EQ(run.start(), CollectionRun::Start::started);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(claimed.load(), 0);
    EXPECT_TRUE(run.running());
    run.resume();
    run.wait();
    EXPECT_EQ(run.totals().succeeded, 8);
}

TEST_F(CollectionRunTest, AnEarlierSelectionDoesNotRemoveFailedRows) {
    sandbox::SandboxConfig config;
    const auto catalogue = sandbox::make_catalogue(sandbox::CatalogueSize{2, 6, 6}, config.seed);
    config.faults.failing_items[catalogue.items[1].num_iid] = -1;
    start_sandbox(config);
    list_items(3);
    list_.select_row(1);  // selected by the user before the run
    CollectionRun& run = make_run();
    ASSERT_EQ(run.start(), CollectionRun::Start::started);
    run.wait();
    EXPECT_EQ(run.totals().failed, 1);
    ASSERT_EQ(list_.row_count(), 1);
    EXPECT_EQ(list_.cell_text(0, column_item_id), catalogue.items[1].num_iid);
}

TEST_F(CollectionRunTest, NoCredentialsNoRun) {
    credentials_.clear();
    list_items(1);
    EXPECT_EQ(make_run().start(), CollectionRun::Start::no_credentials);
    EXPECT_EQ(list_.row_count(), 1);
}

TEST_F(CollectionRunTest, FailedPackageWriteKeepsTheFinishedRows) {
    output_ = split_output_path(utf8_to_gbk((dir_ / "no" / "such" / "package.csv").string()));
    output_.folder = utf8_to_gbk((dir_ / "pictures").string()) + "/";
    list_items(2);
    CollectionRun& run = make_run();
    ASSERT_EQ(run.start(), CollectionRun::Start::started);
    run.wait();
    EXPECT_FALSE(run.totals().package_written);
    EXPECT_EQ(log_count(" 文件写成功！"_gbk), 0u);
    EXPECT_EQ(list_.row_count(), 2);
}

}  // namespace
}  // namespace quorvane
