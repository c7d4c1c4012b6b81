// 1,000 small GETs from 5 threads against a loopback server, with and
// without connection reuse, beside curl --parallel making the same load.
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "net/http_transfer.h"
#include "net/url_parts.h"
#include "net/web_request.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int total_requests = 1000;
constexpr int threads = 5;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Five threads take request numbers from one counter until 1,000 are done.
template <typename Fetch>
double run(Fetch fetch, int& failures) {
    std::atomic<int> next{0};
    std::atomic<int> failed{0};
    const auto start = Clock::now();
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&] {
            for (int i = next++; i < total_requests; i = next++) {
                if (fetch(i).size() != 2) {
                    ++failed;
                }
            }
        });
    }
    for (auto& thread : pool) {
        thread.join();
    }
    failures = failed.load();
    return seconds_since(start);
}

}  // namespace

int main() {
    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(8); };
    // Headers and body go out in two writes; without this, Nagle's algorithm
    // and delayed acknowledgements stall every reused connection.
    server.set_tcp_nodelay(true);
    server.Get(R"(/item/(\d+))", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("ok", "text/plain");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });
    while (!server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/item/";

    int failures_reused = 0;
    const double reused = run(
        [&](int i) { return quorvane::web_request(base + std::to_string(i)); }, failures_reused);

    int failures_fresh = 0;
    const double fresh = run(
        [&](int i) {
            quorvane::HttpTransfer transfer;
            const std::string address = base + std::to_string(i);
            transfer.host = quorvane::url_host(address);
            transfer.port = quorvane::url_port(address);
            transfer.path = quorvane::url_path(address);
            transfer.user_agent = std::string(quorvane::web_user_agent);
            transfer.reuse_connection = false;
            return quorvane::perform_transfer(transfer).body;
        },
        failures_fresh);

    // The same load through the curl command line tool.
    const std::string config = "/tmp/quorvane-bench-curl.cfg";
    {
        std::ofstream out(config);
        for (int i = 0; i < total_requests; ++i) {
            out << "url = \"" << base << i << "\"\noutput = \"/dev/null\"\n";
        }
    }
    const auto curl_start = Clock::now();
    const int curl_status = std::system(
        ("curl --silent --parallel --parallel-max 5 -K " + config + " >/dev/null 2>&1").c_str());
    const double curl_time = seconds_since(curl_start);
    std::remove(config.c_str());

    server.stop();
    serving.join();

    std::printf("%d GETs, %d threads, loopback\n", total_requests, threads);
    std::printf("%-44s %10s %8s\n", "", "req/s", "failed");
    std::printf("%-44s %10.0f %8d\n", "web_request, connections reused", total_requests / reused,
                failures_reused);
    std::printf("%-44s %10.0f %8d\n", "transfer, fresh connection per request",
                total_requests / fresh, failures_fresh);
    std::printf("%-44s %10.0f %8s\n", "curl --parallel --parallel-max 5",
                total_requests / curl_time, curl_status == 0 ? "0" : "error");
    std::printf("ratio web_request/curl: %.2f, reused/fresh: %.2f\n", curl_time / reused,
                fresh / reused);
    return 0;
}
