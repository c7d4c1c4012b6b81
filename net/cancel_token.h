#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

namespace quorvane {

// Lets one thread abort the transfers that others are waiting on: a stop
// reaches a transfer at once, not at its next time-out.
class CancelToken {
public:
    void cancel();
    void reset() { cancelled_.store(false); }
    bool cancelled() const { return cancelled_.load(); }

    // A transfer in progress registers how to wake it; the registration
    // ends with the returned object.
    class Registration {
    public:
        Registration(const CancelToken* token, std::function<void()> wake);
        ~Registration();
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;

    private:
        const CancelToken* token_;
        uint64_t id_ = 0;
    };

private:
    std::atomic<bool> cancelled_{false};
    mutable std::mutex mutex_;
    mutable std::map<uint64_t, std::function<void()>> wakers_;
    mutable uint64_t next_id_ = 1;
};

}  // namespace quorvane
