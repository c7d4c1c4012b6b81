#include "text/run_log.h"

namespace quorvane {

RunLog::RunLog(const Clock& clock, size_t capacity) : clock_(clock), capacity_(capacity) {}

void RunLog::add(std::string_view body) {
    std::string line = runlog_time_text(clock_.now());
    line.append(body);
    std::lock_guard observers(observers_mutex_);
    {
        std::lock_guard lock(lines_mutex_);
        lines_.push_back(line);
        while (lines_.size() > capacity_) {
            lines_.pop_front();
        }
    }
    for (const auto& [id, observer] : observers_) {
        observer(line);
    }
}

std::vector<std::string> RunLog::lines() const {
    std::lock_guard lock(lines_mutex_);
    return std::vector<std::string>(lines_.begin(), lines_.end());
}

int RunLog::subscribe(Observer observer) {
    std::lock_guard lock(observers_mutex_);
    observers_.emplace(next_id_, std::move(observer));
    return next_id_++;
}

void RunLog::unsubscribe(int id) {
    std::lock_guard lock(observers_mutex_);
    observers_.erase(id);
}

}  // namespace quorvane
