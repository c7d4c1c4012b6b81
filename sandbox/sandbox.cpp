#include "sandbox/sandbox.h"

#include <httplib.h>

#include <chrono>
#include <sstream>

#include "sandbox/gateway.h"
#include "sandbox/json_text.h"
#include "sandbox/pages.h"
#include "sandbox/picture_bytes.h"
#include "text/gbk_conversion.h"

namespace quorvane::sandbox {
namespace {

uint64_t fnv1a(std::string_view text, uint64_t hash = 1469598103934665603ULL) {
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

std::string query_of(const httplib::Request& request) {
    const size_t question = request.target.find('?');
    return question == std::string::npos ? std::string() : request.target.substr(question + 1);
}

const char* content_type_of(PictureFormat format) {
    switch (format) {
        case PictureFormat::jpeg:
            return "image/jpeg";
        case PictureFormat::png:
            return "image/png";
        case PictureFormat::gif:
            return "image/gif";
    }
    return "application/octet-stream";
}

}  // namespace

std::vector<ApiCredential> SandboxConfig::default_credentials() {
    return {{"21000001", "sandbox-secret-one"},
            {"21000002", "sandbox-secret-two"},
            {"31000099", "proxy-one-secret"},
            {"31000088", "proxy-two-secret"}};
}

Sandbox::Sandbox(SandboxConfig config)
    : config_(std::move(config)), catalogue_(make_catalogue(config_.size, config_.seed)) {
    failing_items_left_ = config_.faults.failing_items;
    throttled_left_ = config_.faults.throttled_keys;
}

Sandbox::~Sandbox() { stop(); }

bool Sandbox::start() {
    if (!config_.log_file.empty()) {
        log_.reset(std::fopen(config_.log_file.c_str(), "wb"));
        if (!log_) {
            return false;
        }
    }
    const size_t count = 2 + catalogue_.shops.size();
    for (size_t i = 0; i < count; ++i) {
        auto server = std::make_unique<httplib::Server>();
        server->new_task_queue = [] { return new httplib::ThreadPool(16); };
        // Headers and body are separate writes; without this Nagle's
        // algorithm stalls every kept-alive connection.
        server->set_tcp_nodelay(true);
        server->set_keep_alive_max_count(100000);
        // Idle kept-alive connections close after a second, so that a stop
        // never waits long for a client that holds one open.
        server->set_keep_alive_timeout(1);
        if (i < 2) {
            route_main(*server);
        } else {
            route_shop(*server, i - 2);
        }
        const int port = server->bind_to_any_port("127.0.0.1");
        if (port <= 0) {
            stop();
            return false;
        }
        ports_.push_back(port);
        servers_.push_back(std::move(server));
    }
    for (auto& server : servers_) {
        httplib::Server* s = server.get();
        threads_.emplace_back([s] { s->listen_after_bind(); });
    }
    for (auto& server : servers_) {
        while (!server->is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return true;
}

void Sandbox::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_.store(true);
    }
    stopped_.notify_all();
    for (auto& server : servers_) {
        server->stop();
    }
    for (auto& thread : threads_) {
        thread.join();
    }
    threads_.clear();
    servers_.clear();
}

std::string Sandbox::main_host() const { return "127.0.0.1:" + std::to_string(ports_.at(0)); }

std::string Sandbox::shop_host(size_t shop) const {
    return "127.0.0.1:" + std::to_string(ports_.at(2 + shop));
}

MarketplaceEndpoints Sandbox::endpoints() const {
    MarketplaceEndpoints endpoints;
    endpoints.item_page_host = main_host();
    endpoints.mall_item_page_host = "127.0.0.1:" + std::to_string(ports_.at(1));
    endpoints.gateway_host = main_host();
    endpoints.proxy_host_1 = main_host();
    endpoints.proxy_host_2 = main_host();
    return endpoints;
}

std::string Sandbox::endpoints_section() const {
    const MarketplaceEndpoints e = endpoints();
    return "[ENDPOINTS]\r\nitem_page_host=" + e.item_page_host +
           "\r\nmall_item_page_host=" + e.mall_item_page_host +
           "\r\ngateway_host=" + e.gateway_host + "\r\nproxy_host_1=" + e.proxy_host_1 +
           "\r\nproxy_host_2=" + e.proxy_host_2 + "\r\n";
}

std::string Sandbox::credentials_text() const {
    std::string text = "# app_key app_secret\n";
    for (const ApiCredential& c : config_.credentials) {
        text += c.app_key + " " + c.app_secret + "\n";
    }
    return text;
}

void Sandbox::route_main(httplib::Server& server) {
    server.Get("/router/rest", [this](const httplib::Request& q, httplib::Response& r) {
        serve(q, r, [&] { return gateway(q); });
    });
    server.Post("/item_get", [this](const httplib::Request& q, httplib::Response& r) {
        serve(q, r, [&] { return proxy(q, "99"); });
    });
    server.Post("/office/outUserDelegate/outService4getItem.run",
                [this](const httplib::Request& q, httplib::Response& r) {
                    serve(q, r, [&] { return proxy(q, "88"); });
                });
    server.Get("/item.htm", [this](const httplib::Request& q, httplib::Response& r) {
        serve(q, r, [&] {
            const auto parameters = parse_query(query_of(q));
            const auto id = parameters.find("id");
            const Item* item = id == parameters.end() ? nullptr : catalogue_.find_item(id->second);
            if (item == nullptr) {
                return Answer{404, "text/html; charset=gbk", "<html>no such item</html>"};
            }
            return Answer{200, "text/html; charset=gbk", item_page(*item)};
        });
    });
    server.Get(R"(/.*\.(jpg|png|gif))", [this](const httplib::Request& q, httplib::Response& r) {
        serve(q, r, [&] { return picture(q.path); });
    });
}

void Sandbox::route_shop(httplib::Server& server, size_t shop) {
    auto handler = [this, shop](const httplib::Request& q, httplib::Response& r) {
        serve(q, r, [&] { return shop_page(q, shop); });
    };
    server.Get("/search.htm", handler);
    server.Get(R"(/category-(\d+)\.htm)", handler);
    server.Get("/", handler);
}

void Sandbox::serve(const httplib::Request& request, httplib::Response& response,
                    const std::function<Answer()>& produce) {
    ++requests_;
    log_request(request);
    const Faults& faults = config_.faults;
    if (faults.latency_ms > 0 || faults.jitter_ms > 0) {
        const int jitter =
            faults.jitter_ms > 0
                ? static_cast<int>(fault_draw("jitter " + request.target) * faults.jitter_ms)
                : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(faults.latency_ms + jitter));
    }
    for (const std::string& prefix : faults.hang_paths) {
        if (request.path.rfind(prefix, 0) == 0) {
            std::unique_lock lock(mutex_);
            stopped_.wait(lock, [this] { return stopping_.load(); });
            return;  // the server is stopping; the client never got an answer
        }
    }
    const Answer answer = produce();
    response.status = answer.status;
    const bool reset =
        faults.reset_fraction > 0 && fault_draw("reset " + request.target) < faults.reset_fraction;
    const bool truncate = !reset && faults.truncate_fraction > 0 && !answer.body.empty() &&
                          fault_draw("truncate " + request.target) < faults.truncate_fraction;
    if (reset) {
        // The status line and headers go out, then the connection drops.
        response.set_chunked_content_provider(answer.content_type,
                                              [](size_t, httplib::DataSink&) { return false; });
        return;
    }
    if (truncate) {
        const auto body = std::make_shared<std::string>(answer.body);
        response.set_content_provider(
            body->size(), answer.content_type,
            [body](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset == 0) {
                    sink.write(body->data(), body->size() / 2);
                    return true;
                }
                return false;  // half the declared length, then the connection drops
            });
        return;
    }
    response.set_content(answer.body, answer.content_type);
}

bool Sandbox::take_failure(std::map<std::string, int>& plan, const std::string& key) {
    std::lock_guard lock(mutex_);
    const auto it = plan.find(key);
    if (it == plan.end() || it->second == 0) {
        return false;
    }
    if (it->second > 0) {
        --it->second;
    }
    return true;
}

// A number in [0, 1) from the seed, what is drawn for, and how often it was
// drawn before: the same run of requests meets the same faults.
double Sandbox::fault_draw(const std::string& what) {
    uint64_t count = 0;
    {
        std::lock_guard lock(mutex_);
        count = draws_[what]++;
    }
    const uint64_t hash =
        fnv1a(what + "#" + std::to_string(count), fnv1a(std::to_string(config_.seed)));
    return static_cast<double>(hash >> 11) / static_cast<double>(1ULL << 53);
}

Sandbox::Answer Sandbox::item_answer_for(const std::string& num_iid) {
    const Item* item = catalogue_.find_item(num_iid);
    if (item == nullptr) {
        return {200, "text/xml", error_answer(15, "Remote service error", "item not found")};
    }
    if (take_failure(failing_items_left_, num_iid)) {
        return {200, "text/xml",
                error_answer(15, "Remote service error", "isp.item-service-unavailable")};
    }
    return {200, "text/xml", quorvane::sandbox::item_answer(*item, main_host())};
}

Sandbox::Answer Sandbox::gateway(const httplib::Request& request) {
    const auto parameters = parse_query(query_of(request));
    const GatewayVerdict verdict =
        check_gateway_call(parameters, config_.credentials, config_.clock->now());
    if (!verdict.accepted) {
        return {200, "text/xml", error_answer(verdict.code, verdict.msg)};
    }
    if (take_failure(throttled_left_, verdict.app_key)) {
        return {200, "text/xml", error_answer(7, "App Call Limited", "accesscontrol.limited")};
    }
    return item_answer_for(verdict.num_iid);
}

Sandbox::Answer Sandbox::proxy(const httplib::Request& request, const std::string& key_suffix) {
    std::vector<std::string> secrets;
    for (const ApiCredential& c : config_.credentials) {
        if (c.app_key.size() >= 2 && c.app_key.compare(c.app_key.size() - 2, 2, key_suffix) == 0) {
            secrets.push_back(c.app_secret);
        }
    }
    std::string num_iid;
    if (!check_proxy_body(request.body, secrets, num_iid)) {
        return {200, "text/xml", error_answer(25, "Invalid digest")};
    }
    return item_answer_for(num_iid);
}

Sandbox::Answer Sandbox::picture(const std::string& path) {
    if (path.find("/missing/") != std::string::npos) {
        return {404, "text/html", "<html><body>404 Not Found</body></html>"};
    }
    const PictureFormat format = path.ends_with(".png")   ? PictureFormat::png
                                 : path.ends_with(".gif") ? PictureFormat::gif
                                                          : PictureFormat::jpeg;
    if (path.find("/empty/") != std::string::npos) {
        return {200, content_type_of(format), ""};
    }
    return {200, content_type_of(format), std::string(picture_bytes(format))};
}

Sandbox::Answer Sandbox::shop_page(const httplib::Request& request, size_t shop_index) {
    const Shop& shop = catalogue_.shops.at(shop_index);
    const auto parameters = parse_query(query_of(request));
    auto parameter = [&parameters](const char* name) {
        const auto it = parameters.find(name);
        return it == parameters.end() ? std::string() : it->second;
    };
    std::string category_id = parameter("scid");
    if (category_id.empty()) {
        category_id = parameter("catId");
    }
    if (category_id.empty()) {
        category_id = parameter("categoryp");
    }
    if (category_id.empty() && request.matches.size() > 1) {
        category_id = request.matches[1];
    }
    const std::vector<size_t>* items = &shop.items;
    static const std::vector<size_t> none;
    if (!category_id.empty()) {
        items = &none;
        for (const Category& category : shop.categories) {
            if (category.id == category_id) {
                items = &category.items;
            }
        }
    }
    const std::string page_text = parameter("pageNum");
    const int page = page_text.empty() ? 1 : std::atoi(page_text.c_str());
    return {200, "text/html; charset=gbk",
            listing_page(catalogue_, shop, *items, page, main_host())};
}

void Sandbox::log_request(const httplib::Request& request) {
    if (!log_) {
        return;
    }
    std::string line = "{\"method\":" + json_string(request.method) +
                       ",\"target\":" + json_string(request.target) + ",\"headers\":[";
    bool first = true;
    for (const auto& [name, value] : request.headers) {
        if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
            name == "LOCAL_PORT") {
            continue;  // added by the server library, not sent by the client
        }
        line += (first ? "[" : ",[") + json_string(name) + "," + json_string(value) + "]";
        first = false;
    }
    line += "],\"body\":" + json_string(request.body) + "}\n";
    std::lock_guard lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), log_.get());
    std::fflush(log_.get());
}

std::string Sandbox::dump_json() const {
    const std::string host = main_host();
    auto utf8 = [](const std::string& gbk_text) {
        return json_string(gbk_to_utf8(gbk_text), true);
    };
    auto picture_json = [&host](const Picture& p) {
        const char* state = p.state == PictureState::missing ? "missing"
                            : p.state == PictureState::empty ? "empty"
                                                             : "ok";
        return "{\"url\":" + json_string("http://" + host + p.path) + ",\"state\":\"" + state +
               "\",\"taobao\":" + (p.on_taobao_space() ? "true" : "false") + "}";
    };
    std::ostringstream out;
    out << "{\"seed\":" << catalogue_.seed << ",\"page_size\":" << catalogue_.size.page_size
        << ",\"endpoints\":{";
    const MarketplaceEndpoints e = endpoints();
    out << "\"item_page_host\":" << json_string(e.item_page_host)
        << ",\"mall_item_page_host\":" << json_string(e.mall_item_page_host)
        << ",\"gateway_host\":" << json_string(e.gateway_host)
        << ",\"proxy_host_1\":" << json_string(e.proxy_host_1)
        << ",\"proxy_host_2\":" << json_string(e.proxy_host_2) << "},\"credentials\":[";
    for (size_t i = 0; i < config_.credentials.size(); ++i) {
        out << (i ? "," : "") << "{\"app_key\":" << json_string(config_.credentials[i].app_key)
            << ",\"app_secret\":" << json_string(config_.credentials[i].app_secret) << "}";
    }
    out << "],\"shops\":[";
    for (size_t s = 0; s < catalogue_.shops.size(); ++s) {
        const Shop& shop = catalogue_.shops[s];
        out << (s ? "," : "") << "{\"host\":" << json_string(shop_host(s))
            << ",\"address\":" << json_string("http://" + shop_host(s) + "/")
            << ",\"design\":" << json_string(design_name_utf8(shop.design), true)
            << ",\"pages\":" << catalogue_.pages_of(shop.items.size()) << ",\"items\":[";
        for (size_t i = 0; i < shop.items.size(); ++i) {
            out << (i ? "," : "") << json_string(catalogue_.items[shop.items[i]].num_iid);
        }
        out << "],\"categories\":[";
        for (size_t c = 0; c < shop.categories.size(); ++c) {
            const Category& category = shop.categories[c];
            out << (c ? "," : "") << "{\"id\":" << json_string(category.id)
                << ",\"address\":" << json_string(category_address(category, shop_host(s)))
                << ",\"pages\":" << catalogue_.pages_of(category.items.size()) << ",\"items\":[";
            for (size_t i = 0; i < category.items.size(); ++i) {
                out << (i ? "," : "") << json_string(catalogue_.items[category.items[i]].num_iid);
            }
            out << "]}";
        }
        out << "]}";
    }
    out << "],\"items\":[";
    for (size_t i = 0; i < catalogue_.items.size(); ++i) {
        const Item& item = catalogue_.items[i];
        out << (i ? ",\n" : "\n") << "{\"num_iid\":" << json_string(item.num_iid)
            << ",\"shop\":" << item.shop << ",\"title\":" << utf8(item.title)
            << ",\"price\":" << json_string(item.price)
            << ",\"address\":" << json_string("http://" + host + "/item.htm?id=" + item.num_iid)
            << ",\"declared_encoding\":\"" << (item.declared_utf8 ? "utf-8" : "gb2312")
            << "\",\"food_security\":" << (item.food_security.empty() ? "false" : "true")
            << ",\"skus\":[";
        for (size_t k = 0; k < item.skus.size(); ++k) {
            const Sku& sku = item.skus[k];
            out << (k ? "," : "") << "{\"price\":" << json_string(sku.price)
                << ",\"quantity\":" << json_string(sku.quantity)
                << ",\"outer_id\":" << json_string(sku.outer_id)
                << ",\"properties\":" << json_string(sku.properties) << "}";
        }
        out << "],\"main_pictures\":[";
        for (size_t k = 0; k < item.main_pictures.size(); ++k) {
            out << (k ? "," : "") << picture_json(item.main_pictures[k]);
        }
        out << "],\"prop_pictures\":[";
        for (size_t k = 0; k < item.prop_pictures.size(); ++k) {
            out << (k ? "," : "")
                << "{\"properties\":" << json_string(item.prop_pictures[k].properties)
                << ",\"picture\":" << picture_json(item.prop_pictures[k].picture) << "}";
        }
        out << "],\"desc_pictures\":[";
        for (size_t k = 0; k < item.desc_pictures.size(); ++k) {
            out << (k ? "," : "") << picture_json(item.desc_pictures[k]);
        }
        out << "],\"wireless_pictures\":[";
        for (size_t k = 0; k < item.wireless_pictures.size(); ++k) {
            out << (k ? "," : "") << picture_json(item.wireless_pictures[k]);
        }
        out << "],\"fields\":{";
        bool first = true;
        for (const auto& [name, value] : item.fields) {
            out << (first ? "" : ",") << json_string(name) << ":" << utf8(value);
            first = false;
        }
        out << "}}";
    }
    out << "\n]}\n";
    return out.str();
}

}  // namespace quorvane::sandbox
