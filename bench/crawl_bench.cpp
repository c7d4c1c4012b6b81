// A crawl of a 100-page shop whose every answer takes 20 ms: the time it
// takes beside the bound of five threads reading in parallel.
#include <chrono>
#include <cstdio>

#include "itemlist/address_recognition.h"
#include "sandbox/sandbox.h"

int main() {
    using namespace quorvane;
    constexpr int pages = 100;
    constexpr int latency_ms = 20;
    sandbox::SandboxConfig config;
    config.size = sandbox::CatalogueSize{1, pages * 4, 4};
    config.faults.latency_ms = latency_ms;
    sandbox::Sandbox server(config);
    if (!server.start()) {
        std::fprintf(stderr, "cannot start the sandbox\n");
        return 1;
    }
    const MarketplaceEndpoints endpoints = server.endpoints();
    ItemList list;
    RunLog log;
    InputModeState mode{InputMode::shop};
    ShopCrawler crawler(list, log, endpoints, mode);
    ListContext context{list, log, crawler, endpoints, {}};

    const auto start = std::chrono::steady_clock::now();
    add_to_list(context, InputMode::shop, "http://" + server.shop_host(0) + "/");
    const auto crawl_start = std::chrono::steady_clock::now();
    crawler.wait();
    const auto end = std::chrono::steady_clock::now();

    const double crawl_ms = std::chrono::duration<double, std::milli>(end - crawl_start).count();
    const double total_ms = std::chrono::duration<double, std::milli>(end - start).count();
    const double bound_ms = pages * latency_ms / 5.0;
    std::printf("shop of %d pages, %d ms per answer, 5 crawler threads\n", pages, latency_ms);
    std::printf("rows listed: %d of %d\n", list.row_count(), pages * 4);
    std::printf("crawl: %.0f ms (with the search page: %.0f ms)\n", crawl_ms, total_ms);
    std::printf("bound: %d pages x %d ms / 5 threads = %.0f ms; ratio %.2f\n", pages, latency_ms,
                bound_ms, crawl_ms / bound_ms);
    server.stop();
    return list.row_count() == pages * 4 ? 0 : 1;
}
