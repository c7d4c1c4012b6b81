#include "net/http_transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <mutex>

namespace quorvane {
namespace {

void global_init() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The process-wide cookie store shared by the requests that use it.
class CookieStore {
public:
    CookieStore() : share_(curl_share_init()) {
        curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, lock);
        curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, unlock);
        curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    }
    CURLSH* share() const { return share_; }

private:
    static void lock(CURL*, curl_lock_data, curl_lock_access, void* self) {
        static_cast<CookieStore*>(self)->mutex_.lock();
    }
    static void unlock(CURL*, curl_lock_data, void* self) {
        static_cast<CookieStore*>(self)->mutex_.unlock();
    }
    CURLSH* share_;
    std::mutex mutex_;
};

CookieStore& cookie_store() {
    static CookieStore* store = new CookieStore();  // lives until exit: handles refer to it
    return *store;
}

// One multi handle per thread: its connection cache outlives the easy
// handles, so every request of the thread can reuse a kept-alive
// connection. Each transfer gets a fresh easy handle, which leaves nothing
// of one request's options or cookie settings to the next.
class ThreadConnection {
public:
    ThreadConnection() : multi_(curl_multi_init()) {}
    ~ThreadConnection() { curl_multi_cleanup(multi_); }
    ThreadConnection(const ThreadConnection&) = delete;
    ThreadConnection& operator=(const ThreadConnection&) = delete;
    CURLM* multi() const { return multi_; }

private:
    CURLM* multi_;
};

ThreadConnection& thread_connection() {
    global_init();
    thread_local ThreadConnection connection;
    return connection;
}

struct Receiver {
    HttpResult* result;
    std::chrono::steady_clock::time_point last_activity;
    bool too_large = false;
};

size_t on_body(char* data, size_t size, size_t count, void* user) {
    auto* receiver = static_cast<Receiver*>(user);
    const size_t bytes = size * count;
    receiver->last_activity = std::chrono::steady_clock::now();
    if (receiver->result->body.size() + bytes > max_body_bytes) {
        receiver->too_large = true;
        return 0;  // aborts the transfer
    }
    receiver->result->body.append(data, bytes);
    return bytes;
}

size_t on_header(char* data, size_t size, size_t count, void* user) {
    auto* receiver = static_cast<Receiver*>(user);
    const size_t bytes = size * count;
    receiver->last_activity = std::chrono::steady_clock::now();
    const std::string_view line(data, bytes);
    // A new status line starts the block of the next response (redirects,
    // "100 Continue"): only the last response's headers are kept.
    if (line.substr(0, 5) == "HTTP/") {
        receiver->result->headers.clear();
    }
    if (receiver->result->headers.size() + bytes <= max_body_bytes) {
        receiver->result->headers.append(line);
    }
    return bytes;
}

bool legal_in_request_line(unsigned char c) {
    if (c <= 0x20 || c >= 0x7F) {
        return false;
    }
    switch (c) {
        case '"':
        case '<':
        case '>':
        case '\\':
        case '^':
        case '`':
        case '{':
        case '|':
        case '}':
            return false;
        default:
            return true;
    }
}

}  // namespace

std::string request_line_path(std::string_view path) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (legal_in_request_line(c)) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 0x0F]);
        }
    }
    return out;
}

HttpResult perform_transfer(const HttpTransfer& transfer) {
    HttpResult result;
    if (transfer.cancel != nullptr && transfer.cancel->cancelled()) {
        return result;
    }
    ThreadConnection& connection = thread_connection();
    CURLM* multi = connection.multi();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(), curl_easy_cleanup);
    if (!handle) {
        return result;
    }
    CURL* easy = handle.get();
    if (transfer.use_cookie_store) {
        curl_easy_setopt(easy, CURLOPT_SHARE, cookie_store().share());
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");  // starts the cookie engine
    }

    std::string url = "http://" + transfer.host;
    if (transfer.port != 0 && transfer.port != 80) {
        url += ":" + std::to_string(transfer.port);
    }
    url += request_line_path(transfer.path.empty() ? "/" : transfer.path);

    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(nullptr,
                                                                        curl_slist_free_all);
    auto add_header = [&headers](const std::string& line) {
        curl_slist* appended = curl_slist_append(headers.get(), line.c_str());
        if (appended != nullptr) {
            headers.release();
            headers.reset(appended);
        }
    };
    for (const std::string& line : transfer.header_lines) {
        add_header(line);
    }
    add_header("Expect:");  // never "Expect: 100-continue"
    if (!transfer.proxy.empty()) {
        add_header("Proxy-Connection:");  // curl's own addition; the request carries none
    }

    Receiver receiver{&result, std::chrono::steady_clock::now()};
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http");
    curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(easy, CURLOPT_USERAGENT, transfer.user_agent.c_str());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, on_body);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &receiver);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, on_header);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &receiver);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, transfer.follow_redirects ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    if (!transfer.reuse_connection) {
        curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    }
    // Never the environment's proxy settings: direct unless one is named.
    curl_easy_setopt(easy, CURLOPT_PROXY, transfer.proxy.empty() ? "" : transfer.proxy.c_str());
    if (!transfer.proxy.empty()) {
        curl_easy_setopt(easy, CURLOPT_PROXYTYPE, CURLPROXY_HTTP);
        if (!transfer.proxy_user.empty()) {
            curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, transfer.proxy_user.c_str());
            curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, transfer.proxy_password.c_str());
        }
    }
    if (!transfer.user_name.empty()) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, transfer.user_name.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, transfer.password.c_str());
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
    }
    if (transfer.method == "GET") {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else if (transfer.send_body) {
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(transfer.body.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, transfer.body.data());
        if (transfer.method != "POST") {
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, transfer.method.c_str());
        }
    } else {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, transfer.method.c_str());
    }
    if (transfer.deadline.count() > 0) {
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(transfer.deadline.count()));
    }
    if (transfer.connect_timeout.count() > 0) {
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(transfer.connect_timeout.count()));
    }

    CancelToken::Registration wake(transfer.cancel, [multi] { curl_multi_wakeup(multi); });
    curl_multi_add_handle(multi, easy);
    CURLcode code = CURLE_OK;
    bool aborted = false;
    for (int running = 1; running > 0;) {
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            aborted = true;
            break;
        }
        if (running == 0) {
            break;
        }
        if (transfer.cancel != nullptr && transfer.cancel->cancelled()) {
            aborted = true;
            break;
        }
        int wait_ms = 1000;
        if (transfer.stall_timeout.count() > 0) {
            const auto idle = std::chrono::steady_clock::now() - receiver.last_activity;
            const auto left = transfer.stall_timeout - idle;
            if (left <= std::chrono::milliseconds(0)) {
                aborted = true;
                break;
            }
            wait_ms = static_cast<int>(std::min<int64_t>(
                wait_ms, std::chrono::duration_cast<std::chrono::milliseconds>(left).count() + 1));
        }
        curl_multi_poll(multi, nullptr, 0, wait_ms, nullptr);
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
            code = message->data.result;
        }
    }
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    // Removing a handle mid-exchange closes its connection.
    curl_multi_remove_handle(multi, easy);
    result.status = static_cast<int>(status);
    result.complete = !aborted && code == CURLE_OK && !receiver.too_large;
    if (!result.complete) {
        result.body.clear();
    }
    return result;
}

}  // namespace quorvane
