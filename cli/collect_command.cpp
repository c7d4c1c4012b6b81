// quorvane-cli collect: run a list file into a data package.
#include <signal.h>

#include <filesystem>
#include <iostream>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "collect/collection_run.h"
#include "itemlist/list_file.h"
#include "marketplace/credential_source.h"
#include "marketplace/marketplace_endpoints.h"
#include "text/file_bytes.h"
#include "text/gbk_conversion.h"

namespace quorvane::cli {
namespace {

int bad_input(const std::string& reason) {
    std::cerr << "quorvane-cli collect: " << reason << "\n";
    return 2;
}

}  // namespace

int collect_command(const std::vector<std::string>& arguments) {
    std::string run_dir;
    std::string list_file;
    std::string output;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        auto value = [&](std::string& target) { return take_value(arguments, i, target); };
        if (a == "--run-dir") {
            if (!value(run_dir)) return bad_input("--run-dir needs a folder");
        } else if (a == "--list") {
            if (!value(list_file)) return bad_input("--list needs a file");
        } else if (a == "--output") {
            if (!value(output)) return bad_input("--output needs a path");
        } else {
            return bad_input("unknown argument " + a);
        }
    }
    if (run_dir.empty() || list_file.empty()) {
        return bad_input("--run-dir and --list are required");
    }
    const std::filesystem::path dir = std::filesystem::absolute(run_dir);

    const CredentialLoad credentials = load_credentials(credentials_file(dir));
    if (credentials.pool.empty()) {
        std::cout << "预定信息 加载失败，请重新启动--\n";
        return 2;
    }
    if (credentials.readable_by_others) {
        std::cerr << "quorvane-cli collect: warning: " << credentials_file(dir).string()
                  << " can be read by other users\n";
    }
    SettingsPage page;
    AppliedSettings applied;
    load_settings(settings_file(dir), page, applied);
    LiveOptions options;
    options.set_page(page);
    options.set_applied(applied);

    const auto list_text = read_file_bytes(list_file);
    if (!list_text) {
        return bad_input("cannot read " + list_file);
    }
    ItemList list;
    list.replace_rows(parse_list_file(*list_text));

    OutputPath path =
        output.empty() ? default_output_path(utf8_to_gbk(dir.string()), system_clock().now())
                       : split_output_path(utf8_to_gbk(std::filesystem::absolute(output).string()));
    if (path.base_name.empty()) {
        return bad_input("请检查文件名是否正确！");
    }

    RunLog log;
    log.subscribe(print_log_line);
    RunSetup setup{list,
                   log,
                   options,
                   credentials.pool,
                   load_endpoints(settings_file(dir)),
                   path,
                   {},
                   &system_clock(),
                   {}};
    // SIGINT stops the run and writes what is finished, as "停止" with "是".
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    sigaddset(&interrupt, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &interrupt, nullptr);

    CollectionRun run(setup);
    switch (run.start()) {
        case CollectionRun::Start::started:
            break;
        case CollectionRun::Start::empty_list:
            return bad_input("the list is empty");
        case CollectionRun::Start::no_output_path:
            return bad_input("请检查保存的文件名是否正确！");
        case CollectionRun::Start::too_many_rows:
            return bad_input("每次采集数量不超过1000个，如超过，请按帮助拆分为几次分别采集！");
        case CollectionRun::Start::no_credentials:
            std::cout << "预定信息 加载失败，请重新启动--\n";
            return 2;
        case CollectionRun::Start::running:
            return bad_input("a run is already going on");
    }
    const timespec tick{0, 100 * 1000 * 1000};
    while (run.running()) {
        if (sigtimedwait(&interrupt, nullptr, &tick) > 0) {
            std::cerr << "quorvane-cli collect: stopping; writing the finished items\n";
            run.stop(true);
        }
    }
    run.wait();
    const RunTotals totals = run.totals();

    // The list file keeps the rows that remain: the failed ones.
    if (!write_list_file(list.rows(), list_file)) {
        std::cerr << "quorvane-cli collect: cannot rewrite " << list_file << "\n";
    }
    std::cout << "下载总数： " << totals.total << "\n"
              << "成功下载： " << totals.succeeded << "\n"
              << "下载失败： " << totals.failed << "\n";
    if (!totals.package_written) {
        std::cout << "package not written: " << gbk_to_utf8(path.path) << "\n";
        return 1;
    }
    std::cout << "package: " << gbk_to_utf8(path.path) << "\n"
              << "pictures: " << gbk_to_utf8(path.folder + path.base_name) << "\n";
    return 0;
}

}  // namespace quorvane::cli
