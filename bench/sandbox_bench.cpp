// Requests per second the sandbox answers on loopback: five client threads
// with kept-alive connections, a mix of listing pages, item pages, signed
// gateway calls and pictures.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "marketplace/item_fetch.h"
#include "net/web_request.h"
#include "sandbox/sandbox.h"

int main() {
    using namespace quorvane;
    sandbox::SandboxConfig config;
    sandbox::Sandbox server(config);
    if (!server.start()) {
        std::fprintf(stderr, "cannot start the sandbox\n");
        return 1;
    }
    const auto& catalogue = server.catalogue();
    const MarketplaceEndpoints endpoints = server.endpoints();
    const ApiCredential credential = config.credentials.front();

    struct Kind {
        const char* name;
        int requests;
    };
    const Kind kinds[] = {{"listing page", 4000},
                          {"item page", 4000},
                          {"picture", 4000},
                          {"signed gateway call", 2000}};
    std::printf("sandbox on loopback, 5 client threads, connections reused\n");
    std::printf("%-22s %8s %10s %8s\n", "request", "count", "req/s", "failed");
    for (size_t k = 0; k < 4; ++k) {
        std::atomic<int> next{0};
        std::atomic<int> failed{0};
        const auto start = std::chrono::steady_clock::now();
        std::vector<std::thread> threads;
        for (int t = 0; t < 5; ++t) {
            threads.emplace_back([&, k] {
                for (int i = next++; i < kinds[k].requests; i = next++) {
                    const auto& item =
                        catalogue.items[static_cast<size_t>(i) % catalogue.items.size()];
                    std::string body;
                    switch (k) {
                        case 0:
                            body = web_request("http://" + server.shop_host(item.shop) +
                                               "/search.htm?&pageNum=" + std::to_string(1 + i % 3));
                            break;
                        case 1:
                            body = web_request("http://" + server.main_host() +
                                               "/item.htm?id=" + item.num_iid);
                            break;
                        case 2:
                            body = web_request("http://" + server.main_host() +
                                               item.main_pictures[0].path);
                            break;
                        default:
                            body = fetch_item_answer(item.num_iid, credential, endpoints);
                            break;
                    }
                    if (body.empty() || body.find("<msg>") != std::string::npos) {
                        ++failed;
                    }
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%-22s %8d %10.0f %8d\n", kinds[k].name, kinds[k].requests,
                    kinds[k].requests / seconds, failed.load());
    }
    server.stop();
    return 0;
}
