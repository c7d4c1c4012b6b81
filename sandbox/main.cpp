// quorvane-sandbox: serves a simulated marketplace on 127.0.0.1 until it
// is interrupted.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "sandbox/sandbox.h"

namespace {

constexpr const char* usage =
    "usage: quorvane-sandbox [options]\n"
    "Serves a simulated marketplace (shops, item pages, the open-platform gateway,\n"
    "the two item-data proxies and picture hosts) on 127.0.0.1 until interrupted.\n"
    "\n"
    "catalogue\n"
    "  --seed N                catalogue seed (default 7)\n"
    "  --shops N               number of shops, one port each (default 4)\n"
    "  --items-per-shop N      items in each shop (default 30)\n"
    "  --page-size N           items per listing page (default 12)\n"
    "  --credential KEY:SECRET accepted credential; repeat; replaces the defaults\n"
    "faults (deterministic from the seed)\n"
    "  --latency-ms N          delay before every answer\n"
    "  --jitter-ms N           up to N more milliseconds per answer\n"
    "  --reset-fraction F      share of answers broken off after the status line\n"
    "  --truncate-fraction F   share of bodies cut to half their declared length\n"
    "  --hang-path PREFIX      never answer paths starting with PREFIX; repeat\n"
    "  --fail-item ID[:N]      the item's answer is an error N times (always without N)\n"
    "  --throttle KEY:N        the key's first N gateway calls are refused\n"
    "output\n"
    "  --dump FILE             write the catalogue as served, as JSON\n"
    "  --log FILE              write every request (method, target, headers, body) as JSON lines\n"
    "  --run-dir DIR           write DIR/options/options.ini ([ENDPOINTS]) and\n"
    "                          DIR/options/credentials.txt for a client\n"
    "  --ready-file FILE       write the endpoints section to FILE once serving\n"
    "  --help                  this text\n";

[[noreturn]] void fail(const std::string& reason) {
    std::cerr << "quorvane-sandbox: " << reason << "\n";
    std::exit(2);
}

int to_int(const std::string& flag, const std::string& text) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 0 || value > 1000000) {
        fail(flag + " needs a whole number, not '" + text + "'");
    }
    return static_cast<int>(value);
}

double to_fraction(const std::string& flag, const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || value < 0 || value > 1) {
        fail(flag + " needs a fraction from 0 to 1, not '" + text + "'");
    }
    return value;
}

bool write_file(const std::filesystem::path& file, const std::string& text) {
    std::error_code error;
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path(), error);
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    using quorvane::sandbox::Sandbox;
    quorvane::sandbox::SandboxConfig config;
    std::string dump_file;
    std::string run_dir;
    std::string ready_file;
    bool own_credentials = false;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--help" || flag == "-h") {
            std::cout << usage;
            return 0;
        }
        if (i + 1 >= argc) {
            fail("unknown flag or missing value: " + flag);
        }
        const std::string value = argv[++i];
        if (flag == "--seed") {
            config.seed = static_cast<uint32_t>(to_int(flag, value));
        } else if (flag == "--shops") {
            config.size.shops = to_int(flag, value);
        } else if (flag == "--items-per-shop") {
            config.size.items_per_shop = to_int(flag, value);
        } else if (flag == "--page-size") {
            config.size.page_size = std::max(1, to_int(flag, value));
        } else if (flag == "--credential") {
            const size_t colon = value.find(':');
            if (colon == std::string::npos || colon == 0 || colon + 1 == value.size()) {
                fail("--credential needs KEY:SECRET");
            }
            if (!own_credentials) {
                config.credentials.clear();
                own_credentials = true;
            }
            config.credentials.push_back({value.substr(0, colon), value.substr(colon + 1)});
        } else if (flag == "--latency-ms") {
            config.faults.latency_ms = to_int(flag, value);
        } else if (flag == "--jitter-ms") {
            config.faults.jitter_ms = to_int(flag, value);
        } else if (flag == "--reset-fraction") {
            config.faults.reset_fraction = to_fraction(flag, value);
        } else if (flag == "--truncate-fraction") {
            config.faults.truncate_fraction = to_fraction(flag, value);
        } else if (flag == "--hang-path") {
            config.faults.hang_paths.push_back(value);
        } else if (flag == "--fail-item") {
            const size_t colon = value.find(':');
            config.faults.failing_items[value.substr(0, colon)] =
                colon == std::string::npos ? -1 : to_int(flag, value.substr(colon + 1));
        } else if (flag == "--throttle") {
            const size_t colon = value.find(':');
            if (colon == std::string::npos) {
                fail("--throttle needs KEY:N");
            }
            config.faults.throttled_keys[value.substr(0, colon)] =
                to_int(flag, value.substr(colon + 1));
        } else if (flag == "--dump") {
            dump_file = value;
        } else if (flag == "--log") {
            config.log_file = value;
        } else if (flag == "--run-dir") {
            run_dir = value;
        } else if (flag == "--ready-file") {
            ready_file = value;
        } else {
            fail("unknown flag: " + flag);
        }
    }

    // Block the stop signals before any server thread starts, then wait.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    Sandbox sandbox(config);
    if (!sandbox.start()) {
        fail("cannot listen on 127.0.0.1 (or open the log file)");
    }
    if (!dump_file.empty() && !write_file(dump_file, sandbox.dump_json())) {
        fail("cannot write " + dump_file);
    }
    if (!run_dir.empty()) {
        const std::filesystem::path options = std::filesystem::path(run_dir) / "options";
        if (!write_file(options / "options.ini", sandbox.endpoints_section()) ||
            !write_file(options / "credentials.txt", sandbox.credentials_text())) {
            fail("cannot write into " + run_dir);
        }
        std::filesystem::permissions(
            options / "credentials.txt",
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    }
    std::cout << "quorvane-sandbox listening on " << sandbox.main_host()
              << " (gateway, proxies, item pages, pictures)\n";
    for (size_t s = 0; s < sandbox.catalogue().shops.size(); ++s) {
        std::cout << "shop " << s + 1 << ": http://" << sandbox.shop_host(s) << "/\n";
    }
    std::cout << "\n" << sandbox.endpoints_section() << std::flush;
    if (!ready_file.empty() && !write_file(ready_file, sandbox.endpoints_section())) {
        fail("cannot write " + ready_file);
    }
    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    sandbox.stop();
    return 0;
}
