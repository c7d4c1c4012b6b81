// quorvane-cli add: recognise addresses into a list file.
#include <filesystem>
#include <iostream>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "itemlist/address_recognition.h"
#include "itemlist/list_file.h"
#include "marketplace/marketplace_endpoints.h"
#include "text/file_bytes.h"
#include "text/gbk_conversion.h"

namespace quorvane::cli {
namespace {

int bad_arguments(const std::string& reason) {
    std::cerr << "quorvane-cli add: " << reason << "\n";
    return 2;
}

}  // namespace

int add_command(const std::vector<std::string>& arguments) {
    std::string run_dir;
    std::string mode_text;
    std::string list_file;
    bool append = false;
    std::vector<std::string> addresses;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        auto value = [&](std::string& target) { return take_value(arguments, i, target); };
        if (a == "--run-dir") {
            if (!value(run_dir)) return bad_arguments("--run-dir needs a folder");
        } else if (a == "--mode") {
            if (!value(mode_text)) return bad_arguments("--mode needs single, category or shop");
        } else if (a == "--list") {
            if (!value(list_file)) return bad_arguments("--list needs a file");
        } else if (a == "--append") {
            append = true;
        } else if (a.rfind("--", 0) == 0) {
            return bad_arguments("unknown option " + a);
        } else {
            addresses.push_back(a);
        }
    }
    InputMode mode = InputMode::none;
    if (mode_text == "single") {
        mode = InputMode::single;
    } else if (mode_text == "category") {
        mode = InputMode::category;
    } else if (mode_text == "shop") {
        mode = InputMode::shop;
    } else {
        return bad_arguments("--mode must be single, category or shop");
    }
    if (run_dir.empty()) {
        return bad_arguments("--run-dir is required");
    }
    if (list_file.empty()) {
        return bad_arguments("--list is required");
    }
    if (addresses.empty()) {
        return bad_arguments("no address given");
    }

    const MarketplaceEndpoints endpoints =
        load_endpoints(std::filesystem::path(run_dir) / "options" / "options.ini");
    ItemList list;
    RunLog log;
    log.subscribe(print_log_line);
    InputModeState input_mode{mode};
    {
        ShopCrawler crawler(list, log, endpoints, input_mode);
        ListContext context{list, log, crawler, endpoints, {}};
        for (const std::string& address : addresses) {
            add_to_list(context, mode, utf8_to_gbk(address));
        }
        crawler.wait();
    }
    const std::vector<ItemRowCells> added = list.rows();
    std::cout << "rows added: " << added.size() << "\n";
    if (added.empty()) {
        return 1;  // the list file stays as it was
    }
    std::vector<ItemRowCells> rows;
    if (append) {
        if (const auto existing = read_file_bytes(list_file)) {
            rows = parse_list_file(*existing);
        }
    }
    rows.insert(rows.end(), added.begin(), added.end());
    if (!write_list_file(rows, list_file)) {
        std::cerr << "quorvane-cli add: cannot write " << list_file << "\n";
        return 1;
    }
    std::cout << "list file: " << std::filesystem::absolute(list_file).string() << "\n";
    return 0;
}

}  // namespace quorvane::cli
