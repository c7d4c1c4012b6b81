// Load throughput and get_text latency of XmlDocument on a realistic item
// answer, beside pugixml parsing the same bytes in the same run.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "text/gbk_conversion.h"
#include "xml/xml_document.h"

namespace {

using Clock = std::chrono::steady_clock;

// Best of several rounds, in nanoseconds per call.
double time_per_call(int calls, const std::function<void()>& body) {
    double best = 1e300;
    for (int round = 0; round < 7; ++round) {
        const auto start = Clock::now();
        for (int i = 0; i < calls; ++i) {
            body();
        }
        const double ns =
            std::chrono::duration<double, std::nano>(Clock::now() - start).count() / calls;
        best = std::min(best, ns);
    }
    return best;
}

const char* const fields[] = {"title",
                              "cid",
                              "seller_cids",
                              "price",
                              "num",
                              "features",
                              "item_size",
                              "item_weight",
                              "valid_thru",
                              "freight_payer",
                              "ems_fee",
                              "express_fee",
                              "post_fee",
                              "list_time",
                              "props",
                              "modified",
                              "approve_status",
                              "has_warranty",
                              "input_pids",
                              "input_str",
                              "outer_id",
                              "property_alias",
                              "desc",
                              "wireless_desc",
                              "num_iid"};

}  // namespace

int main() {
    std::ifstream in(QUORVANE_BENCH_ANSWER, std::ios::binary);
    const std::string utf8(std::istreambuf_iterator<char>(in), {});
    if (utf8.empty()) {
        std::fprintf(stderr, "cannot read %s\n", QUORVANE_BENCH_ANSWER);
        return 1;
    }
    // The same answer as a gb2312-declared GBK document: no conversion.
    std::string gbk = quorvane::utf8_to_gbk(utf8);
    gbk.replace(gbk.find("utf-8"), 5, "gb2312");

    const double mb_utf8 = static_cast<double>(utf8.size()) / 1e6;
    const double mb_gbk = static_cast<double>(gbk.size()) / 1e6;
    const int loads = 300;

    quorvane::XmlDocument doc;
    const double ours_utf8 = time_per_call(loads, [&] { doc.load(utf8); });
    const double ours_gbk = time_per_call(loads, [&] { doc.load(gbk); });
    pugi::xml_document pugi_doc;
    const double pugi_utf8 =
        time_per_call(loads, [&] { pugi_doc.load_buffer(utf8.data(), utf8.size()); });

    std::printf("answer: %zu bytes UTF-8 (%zu bytes GBK)\n", utf8.size(), gbk.size());
    std::printf("%-34s %10s %10s\n", "load", "us/load", "MB/s");
    std::printf("%-34s %10.1f %10.1f\n", "XmlDocument, declared utf-8", ours_utf8 / 1e3,
                mb_utf8 / (ours_utf8 / 1e9));
    std::printf("%-34s %10.1f %10.1f\n", "XmlDocument, declared gb2312", ours_gbk / 1e3,
                mb_gbk / (ours_gbk / 1e9));
    std::printf("%-34s %10.1f %10.1f\n", "pugixml load_buffer, utf-8", pugi_utf8 / 1e3,
                mb_utf8 / (pugi_utf8 / 1e9));
    std::printf("ratio XmlDocument/pugixml time: %.2f (utf-8), %.2f (gb2312)\n",
                ours_utf8 / pugi_utf8, ours_gbk / pugi_utf8);

    // get_text over the paths the collection reads for one item.
    doc.load(utf8);
    pugi_doc.load_buffer(utf8.data(), utf8.size());
    std::vector<std::string> paths;
    for (const char* field : fields) {
        paths.push_back(std::string("item_get_response/item/") + field);
    }
    for (int i = 1; i <= 10; ++i) {
        for (const char* f : {"price", "quantity", "outer_id", "properties"}) {
            paths.push_back("item_get_response/item/skus/@" + std::to_string(i) + "/" + f);
        }
    }
    for (int i = 1; i <= 5; ++i) {
        paths.push_back("item_get_response/item/item_imgs/@" + std::to_string(i) + "/url");
    }
    size_t sink = 0;
    const double ours_query = time_per_call(200,
                                            [&] {
                                                for (const std::string& path : paths) {
                                                    sink += doc.get_text(path).size();
                                                }
                                            }) /
                              static_cast<double>(paths.size());
    const double pugi_query =
        time_per_call(200,
                      [&] {
                          for (const std::string& path : paths) {
                              // The same walk by names, "@N" as the N-th element child.
                              pugi::xml_node node = pugi_doc;
                              size_t pos = 0;
                              while (node && pos <= path.size()) {
                                  const size_t slash = std::min(path.find('/', pos), path.size());
                                  const std::string segment = path.substr(pos, slash - pos);
                                  if (segment[0] == '@') {
                                      int n = std::stoi(segment.substr(1));
                                      pugi::xml_node child = node.first_child();
                                      while (child && --n > 0) {
                                          child = child.next_sibling();
                                      }
                                      node = child;
                                  } else {
                                      node = node.child(segment.c_str());
                                  }
                                  pos = slash + 1;
                              }
                              sink += std::string(node.text().get()).size();
                          }
                      }) /
        static_cast<double>(paths.size());
    std::printf("%-34s %10.2f us over %zu paths\n", "get_text, XmlDocument", ours_query / 1e3,
                paths.size());
    std::printf("%-34s %10.2f us\n", "child walk + text, pugixml", pugi_query / 1e3);
    return sink == 0 ? 1 : 0;
}
