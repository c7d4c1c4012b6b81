#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "text/time_text.h"

// The operation record: lines of GBK text, each the time text followed by
// the line's pieces (which end in CR LF). Any thread may add lines; front
// ends observe them. The record keeps the newest `capacity` lines.
namespace quorvane {

class RunLog {
public:
    using Observer = std::function<void(const std::string& line)>;

    explicit RunLog(const Clock& clock = system_clock(), size_t capacity = 20000);

    // Adds the time text and `body`, and tells every observer.
    void add(std::string_view body);
    std::vector<std::string> lines() const;

    // Observers are called on the adding thread, one line at a time, in order.
    int subscribe(Observer observer);
    void unsubscribe(int id);

private:
    const Clock& clock_;
    size_t capacity_;
    mutable std::mutex lines_mutex_;
    std::deque<std::string> lines_;
    std::mutex observers_mutex_;  // held while observers run, so lines reach them in order
    std::map<int, Observer> observers_;
    int next_id_ = 1;
};

}  // namespace quorvane
