#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "marketplace/api_credential.h"
#include "marketplace/marketplace_endpoints.h"
#include "sandbox/catalogue.h"
#include "text/time_text.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

// A local simulator of the marketplace: one port per shop, one for the
// gateway, the proxies, item pages and picture hosts, one for the mall's
// item pages. Binds 127.0.0.1 only.
namespace quorvane::sandbox {

struct Faults {
    int latency_ms = 0;
    int jitter_ms = 0;
    double reset_fraction = 0;                  // answers broken off right after the status line
    double truncate_fraction = 0;               // bodies cut to half their declared length
    std::vector<std::string> hang_paths;        // path prefixes never answered
    std::map<std::string, int> failing_items;   // num_iid -> failing first N calls (-1: all)
    std::map<std::string, int> throttled_keys;  // app_key -> failing first N calls
};

struct SandboxConfig {
    uint32_t seed = 7;
    CatalogueSize size;
    std::vector<ApiCredential> credentials = default_credentials();
    Faults faults;
    std::string log_file;  // one JSON line per request when set
    const Clock* clock = &system_clock();

    static std::vector<ApiCredential> default_credentials();
};

class Sandbox {
public:
    explicit Sandbox(SandboxConfig config);
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // Binds every port and starts serving; false when a port cannot be bound.
    bool start();
    void stop();

    const Catalogue& catalogue() const { return catalogue_; }
    const SandboxConfig& config() const { return config_; }
    MarketplaceEndpoints endpoints() const;
    std::string shop_host(size_t shop) const;
    std::string main_host() const;

    // The [ENDPOINTS] section for options.ini, and credentials.txt lines.
    std::string endpoints_section() const;
    std::string credentials_text() const;
    // The catalogue as served, as JSON (texts in UTF-8).
    std::string dump_json() const;

    uint64_t requests_served() const { return requests_.load(); }

private:
    struct Answer {
        int status = 200;
        std::string content_type = "text/html; charset=gbk";
        std::string body;
    };

    void route_main(httplib::Server& server);
    void route_shop(httplib::Server& server, size_t shop);
    void serve(const httplib::Request& request, httplib::Response& response,
               const std::function<Answer()>& produce);
    Answer gateway(const httplib::Request& request);
    Answer proxy(const httplib::Request& request, const std::string& key_suffix);
    Answer item_answer_for(const std::string& num_iid);
    Answer picture(const std::string& path);
    Answer shop_page(const httplib::Request& request, size_t shop);
    bool take_failure(std::map<std::string, int>& plan, const std::string& key);
    double fault_draw(const std::string& what);
    void log_request(const httplib::Request& request);

    SandboxConfig config_;
    Catalogue catalogue_;
    std::vector<std::unique_ptr<httplib::Server>> servers_;
    std::vector<int> ports_;  // main, mall, then one per shop
    std::vector<std::thread> threads_;
    std::atomic<uint64_t> requests_{0};
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;  // guards the plans, the draw counters and the log
    std::condition_variable stopped_;
    std::map<std::string, uint64_t> draws_;
    std::map<std::string, int> failing_items_left_;
    std::map<std::string, int> throttled_left_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> log_{nullptr, std::fclose};
};

}  // namespace quorvane::sandbox
