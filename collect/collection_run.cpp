#include "collect/collection_run.h"

#include <filesystem>

#include "collect/item_worker.h"
#include "text/gbk_conversion.h"

namespace quorvane {

CollectionRun::CollectionRun(RunSetup setup) : setup_(std::move(setup)) {}

CollectionRun::~CollectionRun() {
    if (running()) {
        stop(false);
    }
    for (std::thread& worker : workers_) {
        if (worker.joinable()) {
            worker.join();
        }
    }
}

CollectionRun::Start CollectionRun::start() {
    if (running()) {
        return Start::running;
    }
    ItemList& list = setup_.list;
    if (list.row_count() == 0) {
        return Start::empty_list;
    }
    if (setup_.output.path.empty()) {
        return Start::no_output_path;
    }
    if (list.row_count() > max_rows) {
        return Start::too_many_rows;
    }
    if (setup_.credentials.empty()) {
        return Start::no_credentials;
    }
    // The selection marks the rows this run finishes; a selection left from
    // before must not take unfinished rows out of the list at the end.
    list.clear_selection();
    for (int row = list.row_count() - 1; row >= 0; --row) {
        if (list.cell_text(row, column_item_id).empty()) {
            list.delete_row(row);
        }
    }
    setup_.log.add(gbk("  去除空ID宝贝【实际宝贝数量为") + std::to_string(list.row_count()) +
                   gbk("  个宝贝】") + "\r\n");
    for (std::thread& worker : workers_) {
        worker.join();
    }
    workers_.clear();
    {
        std::lock_guard lock(run_lock_);
        run_total_ = list.row_count();
        next_row_ = 0;
        workers_finished_ = 0;
        run_succeeded_ = 0;
        totals_ = RunTotals{run_total_, 0, 0, false};
        active_ = true;
    }
    package_.reset();
    cancel_.reset();
    stopping_.store(false);
    std::error_code error;
    std::filesystem::create_directories(
        std::filesystem::path(gbk_to_utf8(setup_.output.folder + setup_.output.base_name)), error);
    for (int n = 1; n <= worker_count; ++n) {
        workers_.emplace_back([this, n] { run_worker(n); });
    }
    return Start::started;
}

bool CollectionRun::checkpoint() {
    if (stopping_.load()) {
        return false;
    }
    std::unique_lock lock(pause_mutex_);
    pause_changed_.wait(lock, [this] { return !paused_.load() || stopping_.load(); });
    return !stopping_.load();
}

void CollectionRun::pause() {
    std::lock_guard lock(pause_mutex_);
    paused_.store(true);
}

void CollectionRun::resume() {
    {
        std::lock_guard lock(pause_mutex_);
        paused_.store(false);
    }
    pause_changed_.notify_all();
}

bool CollectionRun::running() const {
    std::lock_guard lock(run_lock_);
    return active_;
}

RunTotals CollectionRun::totals() const {
    std::lock_guard lock(run_lock_);
    return totals_;
}

void CollectionRun::wait() {
    std::unique_lock lock(run_lock_);
    ended_.wait(lock, [this] { return !active_; });
}

void CollectionRun::run_worker(int thread_number) {
    WorkerContext context;
    context.credentials = &setup_.credentials;
    context.endpoints = &setup_.endpoints;
    context.log = &setup_.log;
    context.cancel = &cancel_;
    context.clock = setup_.clock;
    context.deadline = setup_.deadline;
    context.checkpoint = [this] { return checkpoint(); };
    ItemWorker worker(thread_number, context);
    int row_number = 0;
    while (checkpoint()) {
        int run_total = 0;
        {
            std::lock_guard lock(run_lock_);
            if (next_row_ >= run_total_) {
                break;
            }
            row_number = ++next_row_;
            run_total = run_total_;
        }
        const int row = row_number - 1;
        if (setup_.events.row_claimed) {
            setup_.events.row_claimed(row);
        }
        const LiveOptions::Snapshot options = setup_.options.snapshot();
        const ItemRecord item =
            worker.collect(row_number, run_total, setup_.list.cell_text(row, column_item_id),
                           setup_.list.cell_text(row, column_title), options, setup_.output);
        if (stopping_.load()) {
            break;
        }
        if (!item.title.empty()) {
            bool appended = false;
            {
                std::lock_guard lock(run_lock_);
                appended = package_.append(item, options.applied.package_layout,
                                           setup_.endpoints.mall_item_page_host);
                if (appended) {
                    ++run_succeeded_;
                }
            }
            if (appended) {
                setup_.list.select_row(row);
                if (setup_.events.row_finished) {
                    setup_.events.row_finished(row);
                }
            }
        }
        setup_.log.add(gbk(" 线程：") + std::to_string(thread_number) + gbk(" 第：") +
                       std::to_string(row_number) + "/" + std::to_string(run_total) +
                       gbk(" 个宝贝 下载完成！") + "\r\n");
    }
    bool last = false;
    {
        std::lock_guard lock(run_lock_);
        last = ++workers_finished_ == worker_count && !stopping_.load();
    }
    if (last) {
        complete(thread_number, row_number);
    }
}

void CollectionRun::complete(int thread_number, int row_number) {
    int total = 0;
    int succeeded = 0;
    {
        std::lock_guard lock(run_lock_);
        total = run_total_;
        succeeded = run_succeeded_;
    }
    setup_.log.add(gbk(" 线程：") + std::to_string(thread_number) + gbk(" 第：") +
                   std::to_string(row_number) + "/" + std::to_string(total) +
                   gbk(" 个宝贝 下载完成！成功： ") + std::to_string(succeeded) + gbk(" 失败：") +
                   std::to_string(total - succeeded) + gbk(" 正在写文件...") + "\r\n");
    finish(true);
}

// Writes the package (when asked), removes the finished rows when it was
// written, and ends the run.
RunTotals CollectionRun::finish(bool write) {
    RunTotals totals;
    {
        std::lock_guard lock(run_lock_);
        totals.total = run_total_;
        totals.succeeded = run_succeeded_;
        totals.failed = run_total_ - run_succeeded_;
    }
    if (write) {
        const int layout = setup_.options.snapshot().applied.package_layout;
        const std::string text = package_.take_file_text(layout);
        totals.package_written =
            write_package_file(text, std::filesystem::path(gbk_to_utf8(setup_.output.path)));
        if (totals.package_written) {
            setup_.log.add(gbk(" 文件写成功！") + "\r\n");
            setup_.list.delete_selected_rows();
        } else {
            // The finished rows stay in the list, so nothing is lost.
            setup_.log.add(gbk(" 文件写入失败！完成的宝贝仍在列表中") + "\r\n");
        }
    } else {
        package_.take_file_text(5);  // closed: no late row is kept
    }
    {
        std::lock_guard lock(run_lock_);
        totals_ = totals;
        active_ = false;
    }
    ended_.notify_all();
    if (write && setup_.events.completed) {
        setup_.events.completed(totals);
    }
    return totals;
}

void CollectionRun::stop(bool write_finished) {
    {
        std::lock_guard lock(pause_mutex_);
        stopping_.store(true);
    }
    pause_changed_.notify_all();
    cancel_.cancel();
    for (std::thread& worker : workers_) {
        if (worker.joinable() && worker.get_id() != std::this_thread::get_id()) {
            worker.join();
        }
    }
    if (running()) {
        finish(write_finished);
    }
}

}  // namespace quorvane
