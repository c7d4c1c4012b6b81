#include "text/time_text.h"

#include <gtest/gtest.h>

#include <ostream>

#include "support/gbk_literal.h"

namespace quorvane {
namespace {

using testing::operator""_gbk;

struct TimestampCase {
    const char* name;
    LocalTime time;
    const char* seconds;
    const char* milliseconds;
};

void PrintTo(const TimestampCase& c, std::ostream* os) { *os << c.name; }

class TimestampText : public ::testing::TestWithParam<TimestampCase> {};

TEST_P(TimestampText, LocalClockReadAsUtcPlusEight) {
    const auto& c = GetParam();
    EXPECT_EQ(timestamp_text(TimestampForm::seconds, c.time), c.seconds);
    EXPECT_EQ(timestamp_text(TimestampForm::milliseconds, c.time), c.milliseconds);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TimestampText,
    ::testing::Values(
        TimestampCase{"origin", {1970, 1, 1, 8, 0, 0, 0}, "0", "0"},
        TimestampCase{"one_second_later", {1970, 1, 1, 8, 0, 1, 5}, "1", "1005"},
        TimestampCase{"start_of_run", {2023, 11, 15, 6, 13, 20, 0}, "1700000000", "1700000000000"},
        TimestampCase{
            "millisecond_keeps_zeros", {2023, 11, 15, 6, 13, 20, 7}, "1700000000", "1700000000007"},
        TimestampCase{"leap_day", {2024, 2, 29, 8, 0, 0, 999}, "1709164800", "1709164800999"},
        TimestampCase{"year_2001", {2001, 9, 9, 9, 46, 40, 0}, "1000000000", "1000000000000"}),
    [](const auto& info) { return info.param.name; });

struct RunLogCase {
    const char* name;
    LocalTime time;
    std::string expected;
};

void PrintTo(const RunLogCase& c, std::ostream* os) { *os << c.name; }

class RunLogTimeText : public ::testing::TestWithParam<RunLogCase> {};

TEST_P(RunLogTimeText, TruncatesZeroTail) {
    EXPECT_EQ(runlog_time_text(GetParam().time), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunLogTimeText,
    ::testing::Values(
        RunLogCase{"full", {2024, 3, 5, 7, 8, 9, 0}, "2024年3月5日7时8分9秒"_gbk},
        RunLogCase{
            "two_digit_fields", {2024, 12, 25, 23, 59, 58, 0}, "2024年12月25日23时59分58秒"_gbk},
        RunLogCase{"second_zero", {2024, 3, 5, 7, 8, 0, 0}, "2024年3月5日7时8分"_gbk},
        RunLogCase{"minute_and_second_zero", {2024, 3, 5, 7, 0, 0, 0}, "2024年3月5日7时"_gbk},
        RunLogCase{"minute_zero_only", {2024, 3, 5, 7, 0, 9, 0}, "2024年3月5日7时0分9秒"_gbk},
        RunLogCase{"midnight", {2024, 3, 5, 0, 0, 0, 0}, "2024年3月5日"_gbk},
        RunLogCase{"hour_zero", {2024, 3, 5, 0, 5, 0, 0}, "2024年3月5日0时5分"_gbk}),
    [](const auto& info) { return info.param.name; });

TEST(SystemClock, ReadsAPlausibleTime) {
    const LocalTime now = system_clock().now();
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.millisecond, 0);
    EXPECT_LT(now.millisecond, 1000);
    EXPECT_EQ(timestamp_text(TimestampForm::seconds, now).size(), 10u);
}

}  // namespace
}  // namespace quorvane
