#pragma once

#include "text/time_text.h"

namespace quorvane::testing {

// A clock that reads what the test set.
class FixedClock : public Clock {
public:
    explicit FixedClock(LocalTime time) : time_(time) {}
    LocalTime now() const override { return time_; }
    void set(LocalTime time) { time_ = time; }

private:
    LocalTime time_;
};

}  // namespace quorvane::testing
