// Whole runs against the sandbox: items of 8 pictures and 20 KB
// descriptions, at 0 ms and 20 ms per answer. Each run is a child process
// of its own, so its peak RSS is its own.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "collect/collection_run.h"
#include "sandbox/sandbox.h"
#include "text/gbk_conversion.h"

namespace {

int one_run(int items, int latency_ms) {
    using namespace quorvane;
    sandbox::SandboxConfig config;
    config.size = sandbox::CatalogueSize{1, items, 20, 20000};
    config.faults.latency_ms = latency_ms;
    sandbox::Sandbox server(config);
    if (!server.start()) {
        return 1;
    }
    const auto dir = std::filesystem::temp_directory_path() /
                     ("quorvane-collect-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ItemList list;
    for (const auto& item : server.catalogue().items) {
        list.append_row({item.title, item.price, "", item.num_iid});
    }
    RunLog log;
    LiveOptions options;
    options.set_applied(AppliedSettings{1, 3, 5});
    RunSetup setup{list,
                   log,
                   options,
                   config.credentials,
                   server.endpoints(),
                   split_output_path(utf8_to_gbk((dir / "package.csv").string())),
                   {},
                   &system_clock(),
                   {}};
    CollectionRun run(setup);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    run.start();
    run.wait();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    const double cpu_ms = (after.ru_utime.tv_sec - before.ru_utime.tv_sec) * 1e3 +
                          (after.ru_utime.tv_usec - before.ru_utime.tv_usec) / 1e3 +
                          (after.ru_stime.tv_sec - before.ru_stime.tv_sec) * 1e3 +
                          (after.ru_stime.tv_usec - before.ru_stime.tv_usec) / 1e3;
    // Every request the sandbox answered: the answers and the pictures.
    const auto requests = static_cast<double>(server.requests_served());
    const double bound = requests * latency_ms / 1000.0 / 5;
    std::printf("%6d %6d %9.2f %9.1f %9.0f %9.2f %9s %12.2f %10.1f   (%d written)\n", items,
                latency_ms, seconds, items / seconds, requests / items, bound,
                latency_ms > 0 ? std::to_string(seconds / bound).substr(0, 4).c_str() : "-",
                cpu_ms / items, after.ru_maxrss / 1024.0, run.totals().succeeded);
    std::filesystem::remove_all(dir);
    server.stop();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3) {
        return one_run(std::atoi(argv[1]), std::atoi(argv[2]));
    }
    std::printf("whole runs: 5 workers, items of 8 pictures and 20 KB descriptions\n");
    std::printf("%6s %6s %9s %9s %9s %9s %9s %12s %10s\n", "items", "ms", "seconds", "items/s",
                "req/item", "bound s", "ratio", "cpu ms/item", "peak MB");
    std::fflush(stdout);
    const std::string self = argv[0];
    for (const char* args : {"1000 0", "1000 20", "100 0", "500 0"}) {
        if (std::system((self + " " + args).c_str()) != 0) {
            return 1;
        }
    }
    return 0;
}
