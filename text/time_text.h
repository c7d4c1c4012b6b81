#pragma once

#include <cstdint>
#include <string>

// Time texts of the program. Every helper takes the time as an argument;
// the clock that gives "now" can be replaced, so tests are exact.
namespace quorvane {

// A reading of the local clock.
struct LocalTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime now() const = 0;
};

// The machine's local clock.
const Clock& system_clock();

enum class TimestampForm { seconds, milliseconds };

// Seconds from 1970-01-01 08:00:00 to the reading, the local clock being
// read as if it were UTC+8 (1970-01-01 08:00:00 gives 0).
int64_t timestamp_seconds(const LocalTime& time);

// The seconds, or seconds * 1000 + the millisecond, as decimal text.
std::string timestamp_text(TimestampForm form, const LocalTime& time);

// The operation record's time text in GBK: "2024年3月5日7时8分9秒", with
// no leading zeros; ends after "分" when the second is 0, after "时" when
// minute and second are 0, and has no time part at midnight.
std::string runlog_time_text(const LocalTime& time);

}  // namespace quorvane
