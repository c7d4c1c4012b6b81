#include "text/time_text.h"

#include <chrono>
#include <ctime>

#include "text/gbk_conversion.h"

namespace quorvane {
namespace {

class SystemClock : public Clock {
public:
    LocalTime now() const override {
        using namespace std::chrono;
        const auto now = system_clock::now();
        const std::time_t seconds = system_clock::to_time_t(now);
        std::tm local{};
        localtime_r(&seconds, &local);
        const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
        return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,       local.tm_hour,
                         local.tm_min,         local.tm_sec,     static_cast<int>(ms)};
    }
};

}  // namespace

const Clock& system_clock() {
    static const SystemClock clock;
    return clock;
}

int64_t timestamp_seconds(const LocalTime& time) {
    using namespace std::chrono;
    const auto date = year_month_day{year{time.year}, month{static_cast<unsigned>(time.month)},
                                     day{static_cast<unsigned>(time.day)}};
    const int64_t days = sys_days{date}.time_since_epoch().count();
    return days * 86400 + (time.hour - 8) * 3600 + time.minute * 60 + time.second;
}

std::string timestamp_text(TimestampForm form, const LocalTime& time) {
    const int64_t seconds = timestamp_seconds(time);
    if (form == TimestampForm::seconds) {
        return std::to_string(seconds);
    }
    return std::to_string(seconds * 1000 + time.millisecond);
}

std::string runlog_time_text(const LocalTime& time) {
    static const std::string year_word = gbk("年"), month_word = gbk("月"), day_word = gbk("日"),
                             hour_word = gbk("时"), minute_word = gbk("分"),
                             second_word = gbk("秒");
    std::string text = std::to_string(time.year) + year_word + std::to_string(time.month) +
                       month_word + std::to_string(time.day) + day_word;
    if (time.hour == 0 && time.minute == 0 && time.second == 0) {
        return text;
    }
    text += std::to_string(time.hour) + hour_word;
    if (time.minute == 0 && time.second == 0) {
        return text;
    }
    text += std::to_string(time.minute) + minute_word;
    if (time.second == 0) {
        return text;
    }
    return text + std::to_string(time.second) + second_word;
}

}  // namespace quorvane
