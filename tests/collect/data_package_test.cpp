#include "collect/data_package.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "support/gbk_literal.h"
#include "text/gbk_search.h"

namespace quorvane {
namespace {

using testing::operator""_gbk;

ItemRecord sample_item() {
    ItemRecord item;
    item.num_iid = "4100123456";
    item.title = "连衣裙 新款"_gbk;
    item.cid = "50010850";
    item.seller_cids = ",1,2,";
    item.location_state = "浙江"_gbk;
    item.location_city = "杭州"_gbk;
    item.price = "118.8";
    item.num = "250";
    item.valid_thru = "14";
    item.freight_payer = "2";
    item.post_fee = "8.00";
    item.ems_fee = "20.00";
    item.express_fee = "10.00";
    item.has_warranty = "1";
    item.list_time = "2024-03-01 10:00:00";
    item.desc = "<IMG src=\"\"http://x/1.jpg\"\">";
    item.props = "20000:3275069;";
    item.modified = "2024-03-02 11:22:33";
    item.approve_status = "200";
    item.picture_list = "abc:1:0:|;";
    item.skus = ";";
    item.input_pids = "20000";
    item.input_str = "brand";
    item.outer_id = "OUT1";
    item.property_alias = "1627207:28320:red;";
    item.food_security = "contact:;supplier:;";
    item.features = "mall_v:1";
    item.item_size = "bulk:0.003";
    item.item_weight = "0.5";
    item.wireless_desc = "<wapDesc></wapDesc>";
    return item;
}

// Splits a row at commas outside double quotes (quotes doubled inside).
std::vector<std::string> fields_of(const std::string& row) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < row.size(); ++i) {
        const char c = row[i];
        if (c == '"') {
            quoted = !quoted;
            fields.back() += c;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", pos)) {
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    EXPECT_EQ(pos, text.size()) << "every line ends in CR LF";
    return lines;
}

TEST(DataPackage, HeadersOfBothLayouts) {
    const std::string header_4 = package_header(4);
    EXPECT_EQ(header_4.find("宝贝名称,宝贝类目,店铺类目,"_gbk), 0u);
    EXPECT_EQ(header_4.substr(header_4.size() - 11), "宝贝链接 \r\n"_gbk);
    EXPECT_EQ(lines_of(header_4).size(), 1u);
    EXPECT_EQ(fields_of(lines_of(header_4)[0]).size(), 46u);
    const auto lines_5 = lines_of(package_header(5));
    ASSERT_EQ(lines_5.size(), 3u);
    EXPECT_EQ(lines_5[0], "version 1.00" + std::string(47, ','));
    EXPECT_EQ(fields_of(lines_5[1]).size(), 48u);
    EXPECT_EQ(fields_of(lines_5[1])[47], "wireless_desc");
    EXPECT_EQ(fields_of(lines_5[2])[43], "食品专项"_gbk);
    EXPECT_EQ(package_header(7), package_header(5));
}

TEST(DataPackage, FourXRow) {
    DataPackage package;
    ASSERT_TRUE(package.append(sample_item(), 4, "detail.example:81"));
    const auto lines = lines_of(package.take_file_text(4));
    ASSERT_EQ(lines.size(), 2u);
    const auto fields = fields_of(lines[1]);
    ASSERT_EQ(fields.size(), 46u);
    EXPECT_EQ(fields[0], "\"" + "连衣裙 新款"_gbk + "\"");
    EXPECT_EQ(fields[3], "0");
    EXPECT_EQ(fields[6], "\"1\"");
    EXPECT_EQ(fields[20], "0");
    EXPECT_EQ(fields[24], "\"<IMG src=\"\"http://x/1.jpg\"\">\"");
    EXPECT_EQ(fields[32], "200");
    EXPECT_EQ(fields[36], "\"\"");
    EXPECT_EQ(fields[37], "\";\"");
    EXPECT_EQ(fields[41], "\"1627207:28320:red;;\"");
    EXPECT_EQ(fields[43], "\"4100123456\"");
    EXPECT_EQ(fields[44], "4100123456");
    EXPECT_EQ(fields[45], "\"http://detail.example:81/item.htm?id=4100123456&\"");
}

TEST(DataPackage, FiveXRow) {
    DataPackage package;
    ASSERT_TRUE(package.append(sample_item(), 5, "unused"));
    const auto lines = lines_of(package.take_file_text(5));
    ASSERT_EQ(lines.size(), 4u);
    const auto fields = fields_of(lines[3]);
    ASSERT_EQ(fields.size(), 48u);
    EXPECT_EQ(fields[3], "1");
    EXPECT_EQ(fields[6], "1");
    EXPECT_EQ(fields[17], "1");
    EXPECT_EQ(fields[25], "200");
    EXPECT_EQ(fields[29], "\"\"");
    EXPECT_EQ(fields[34], "\"1627207:28320:red;\"");
    EXPECT_EQ(fields[36], "4100123456");
    EXPECT_EQ(fields[38], "2");
    EXPECT_EQ(fields[43], "contact:;supplier:;");
    EXPECT_EQ(fields[44], "\"mall_v:1\"");
    EXPECT_EQ(fields[47], "\"<wapDesc></wapDesc>\"");
}

TEST(DataPackage, EmptyRunHoldsOnlyTheHeaderAndUnknownLayoutsAppendNothing) {
    DataPackage package;
    EXPECT_FALSE(package.append(sample_item(), 3, "x"));
    EXPECT_EQ(package.take_file_text(4), package_header(4));
    package.reset();
    EXPECT_EQ(package.take_file_text(5), package_header(5));
}

TEST(DataPackage, NoRowIsAddedOnceTheRowsWereTaken) {
    DataPackage package;
    package.append(sample_item(), 5, "x");
    const std::string text = package.take_file_text(5);
    EXPECT_FALSE(package.append(sample_item(), 5, "x"));
    EXPECT_EQ(package.row_count(), 1u);
    EXPECT_EQ(package.take_file_text(5), text);
}

TEST(DataPackage, WriteReplacesWholeOrReportsFailure) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("quorvane-package-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto file = dir / "csv1700000000.csv";
    std::ofstream(file) << "an older package";
    ASSERT_TRUE(write_package_file("new bytes", file));
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "new bytes");
    EXPECT_FALSE(write_package_file("x", dir / "missing" / "a.csv"));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
    std::filesystem::remove_all(dir);
}

TEST(DataPackageConcurrency, FiveWorkersLoseNoRow) {
    DataPackage package;
    std::vector<std::thread> workers;
    for (int w = 0; w < 5; ++w) {
        workers.emplace_back([&package, w] {
            for (int i = 0; i < 100; ++i) {
                ItemRecord item = sample_item();
                item.num_iid = std::to_string(w * 1000 + i);
                package.append(item, 5, "x");
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(package.row_count(), 500u);
    EXPECT_EQ(lines_of(package.take_file_text(5)).size(), 503u);
}

}  // namespace
}  // namespace quorvane

namespace quorvane {
namespace {

// A standard reading of one CSV line: fields and their unescaped values.
std::vector<std::string> csv_values(const std::string& line) {
    std::vector<std::string> values(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                values.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                values.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            values.emplace_back();
        } else {
            values.back() += c;
        }
    }
    return values;
}

TEST(DataPackageCsv, AwkwardValuesReadBackWhole) {
    ItemRecord item = sample_item();
    item.title = "say \"hi\", |*| ok";
    item.cid = "1,2";
    item.price = "9\"9";
    item.desc = "<a href=\"\"x\"\">\"</a>";
    for (int layout : {4, 5}) {
        const std::string row = package_row(item, layout, "mall");
        const auto values = csv_values(row.substr(0, row.size() - 2));
        ASSERT_EQ(values.size(), layout == 4 ? 46u : 48u);
        EXPECT_EQ(values[0], "say \"hi\", |*| ok");
        EXPECT_EQ(values[1], "1,2");
        EXPECT_EQ(values[7], "9\"9");
        EXPECT_EQ(values[layout == 4 ? 24 : 20], "<a href=\"x\">\"</a>");
    }
    // Ordinary values keep the layout's own form.
    const std::string plain = package_row(sample_item(), 5, "mall");
    EXPECT_EQ(plain.substr(0, plain.find(",\"", 0) + 1),
              "\"" + sample_item().title + "\",50010850,");
}

}  // namespace
}  // namespace quorvane
