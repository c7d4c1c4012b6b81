#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "collect/data_package.h"
#include "collect/live_options.h"
#include "itemlist/item_list.h"
#include "marketplace/api_credential.h"
#include "marketplace/marketplace_endpoints.h"
#include "net/cancel_token.h"
#include "settings/collect_settings.h"
#include "text/run_log.h"

// One run of "生成数据包": five workers take the list's rows one by one,
// fetch each item, rewrite its fields, download its pictures and append
// its package row; the worker that ends last writes the package, removes
// the finished rows from the list and reports the totals.
namespace quorvane {

struct RunTotals {
    int total = 0;
    int succeeded = 0;
    int failed = 0;
    bool package_written = false;
};

struct RunEvents {
    std::function<void(int row)> row_claimed;         // 0-based list position
    std::function<void(int row)> row_finished;        // the row got its package row
    std::function<void(const RunTotals&)> completed;  // after a completion or a stop with "Yes"
};

struct RunSetup {
    ItemList& list;
    RunLog& log;
    LiveOptions& options;
    std::vector<ApiCredential> credentials;
    MarketplaceEndpoints endpoints;
    OutputPath output;  // GBK texts
    RunEvents events;
    const Clock* clock = &system_clock();
    std::chrono::milliseconds deadline{0};  // every request's; 0: the transports' own
};

class CollectionRun {
public:
    static constexpr int worker_count = 5;
    static constexpr int max_rows = 1000;

    enum class Start {
        started,
        empty_list,
        no_output_path,
        too_many_rows,
        no_credentials,
        running
    };

    explicit CollectionRun(RunSetup setup);
    ~CollectionRun();  // stops without writing and joins
    CollectionRun(const CollectionRun&) = delete;
    CollectionRun& operator=(const CollectionRun&) = delete;

    Start start();
    // Workers stop at their next step; transfers in flight wait.
    void pause();
    void resume();
    bool paused() const { return paused_.load(); }
    // Ends every worker at once (transfers are aborted). With write_finished
    // the finished rows become the package, the rows leave the list and the
    // others count as failed; without it nothing is written and the list
    // stays as it is.
    void stop(bool write_finished);
    // Until the run has completed or was stopped.
    void wait();
    bool running() const;
    RunTotals totals() const;

private:
    void run_worker(int thread_number);
    void complete(int thread_number, int row_number);
    RunTotals finish(bool write);
    // False when the run is stopping; blocks while paused.
    bool checkpoint();

    RunSetup setup_;
    DataPackage package_;
    CancelToken cancel_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> paused_{false};
    std::mutex pause_mutex_;
    std::condition_variable pause_changed_;

    mutable std::mutex run_lock_;  // the claim counter, the counts, the package rows
    int run_total_ = 0;
    int next_row_ = 0;
    int workers_finished_ = 0;
    int run_succeeded_ = 0;
    RunTotals totals_;
    bool active_ = false;
    std::condition_variable ended_;

    std::vector<std::thread> workers_;
};

}  // namespace quorvane
