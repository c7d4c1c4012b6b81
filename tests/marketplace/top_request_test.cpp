#include "marketplace/top_request.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cctype>
#include <ostream>

#include "marketplace/item_fetch.h"

namespace quorvane {
namespace {

// MD5 computed here straight from OpenSSL, upper-case: the signature as the
// open platform documents it, independent of the code under test.
std::string upper_md5(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr);
    std::string hex;
    char two[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(two, sizeof two, "%02X", digest[i]);
        hex += two;
    }
    return hex;
}

const LocalTime july_fifth{2013, 7, 5, 9, 3, 7, 0};

TEST(TopRequest, ItemCallIsSortedSignedAndUnencoded) {
    const ApiCredential credential{"12345678", "s3cr3t"};
    MarketplaceEndpoints endpoints;
    endpoints.gateway_host = "gw.example:8080";
    const std::string url = item_request_url("4100123456", credential, endpoints, july_fifth);

    const std::string fields(item_field_list);
    const std::string expected_signed = std::string("s3cr3t") + "app_key12345678" + "fields" +
                                        fields + "formatxml" + "methodtaobao.item.get" +
                                        "num_iid4100123456" + "sign_methodmd5" +
                                        "timestamp2013-07-05 09:03:07" + "v2.0" + "s3cr3t";
    EXPECT_EQ(url, "http://gw.example:8080/router/rest?app_key=12345678&fields=" + fields +
                       "&format=xml&method=taobao.item.get&num_iid=4100123456&sign_method=md5"
                       "&timestamp=2013-07-05 09:03:07&v=2.0&sign=" +
                       upper_md5(expected_signed));
    EXPECT_EQ(fields.back(), ' ');
    EXPECT_EQ(url.find("session"), std::string::npos);
}

TEST(TopRequest, EmptyKeyOrSecretGivesNoAddress) {
    TopCall call{"key", "", "", "", "", "taobao.item.get", {}};
    EXPECT_EQ(top_request_url(call, "gw", july_fifth), "");
    call.app_secret = "s";
    call.app_key = "";
    EXPECT_EQ(top_request_url(call, "gw", july_fifth), "");
}

TEST(TopRequest, DefaultsAndPassThrough) {
    TopCall call{"k", "s", "sess", "", "hmac", "m", {{"b", "2"}, {"a", "1"}, {"z", ""}}};
    const std::string url = top_request_url(call, "gw", july_fifth);
    const std::string signed_text =
        "sa1app_keykb2formatxmlmethodmsessionsesssign_methodhmac"
        "timestamp2013-07-05 09:03:07v2.0s";
    EXPECT_EQ(url,
              "http://gw/router/rest?a=1&app_key=k&b=2&format=xml&method=m&session=sess"
              "&sign_method=hmac&timestamp=2013-07-05 09:03:07&v=2.0&sign=" +
                  upper_md5(signed_text));
}

struct TimestampCase {
    const char* name;
    LocalTime time;
    const char* expected;
};

void PrintTo(const TimestampCase& c, std::ostream* os) { *os << c.name; }

class TopTimestamp : public ::testing::TestWithParam<TimestampCase> {};

TEST_P(TopTimestamp, PaddedFields) {
    EXPECT_EQ(top_timestamp(GetParam().time), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TopTimestamp,
    ::testing::Values(TimestampCase{"single_digits", july_fifth, "2013-07-05 09:03:07"},
                      TimestampCase{
                          "two_digits", {2024, 12, 25, 12, 34, 56, 0}, "2024-12-25 12:34:56"},
                      TimestampCase{"midnight", {2025, 1, 1, 0, 0, 0, 0}, "2025-01-01 00:00:00"}),
    [](const auto& info) { return info.param.name; });

TEST(SortParameters, ExchangeSortByBytes) {
    TopRequest parameters{{"v", "1"},  {"num_iid", "2"}, {"method", "3"}, {"sign_method", "4"},
                          {"ab", "5"}, {"a", "6"},       {"B", "7"},      {"a", "8"}};
    sort_parameters(parameters);
    std::vector<std::string> names;
    for (const auto& p : parameters) {
        names.push_back(p.name + "=" + p.value);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"B=7", "a=6", "a=8", "ab=5", "method=3", "num_iid=2",
                                               "sign_method=4", "v=1"}));
}

}  // namespace
}  // namespace quorvane
