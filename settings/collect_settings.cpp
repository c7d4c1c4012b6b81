#include "settings/collect_settings.h"

#include "settings/profile_file.h"
#include "text/gbk_conversion.h"
#include "text/gbk_search.h"

namespace quorvane {
namespace {

const std::string& true_text() {
    static const std::string text = gbk("真");
    return text;
}
const std::string& false_text() {
    static const std::string text = gbk("假");
    return text;
}

std::string flag(bool on) { return on ? true_text() : false_text(); }

// The second pair's replacement is stored under "to3" and the third's under
// "to2"; existing files depend on it.
constexpr const char* replace_to_keys[] = {"to1", "to3", "to2"};
constexpr const char* replace_from_keys[] = {"1", "2", "3"};

}  // namespace

std::string failure_choice_text(int policy) {
    static const std::string items[] = {gbk("保持不变"), gbk("删除图片"),
                                        gbk("重新下载 仍失败删除")};
    return policy >= 1 && policy <= 3 ? items[policy - 1] : std::string();
}

std::filesystem::path settings_file(const std::filesystem::path& run_dir) {
    return run_dir / "options" / "options.ini";
}

void load_settings(const std::filesystem::path& file, SettingsPage& page,
                   AppliedSettings& applied) {
    auto text = [&file](const char* section, const char* key) {
        return read_profile_text(file, section, key);
    };
    // The default "真" applies only when the key is missing.
    page.download_pictures =
        read_profile_text(file, "DL_PIC", "download", true_text()) == true_text();
    applied.picture_mode = page.download_pictures ? 1 : 0;
    page.taobao_only = text("DL_PIC", "taobao_only") == true_text();
    if (page.taobao_only) {
        applied.picture_mode = 2;
    }
    page.price_adjust = text("PR_INFO", "p_type") == true_text();
    page.stock_uniform = text("PR_INFO", "n_type") == true_text();
    page.taobao_only_enabled = page.download_pictures;

    const std::string fall = text("DL_PIC", "fall");
    if (fall.empty()) {
        page.failure_choice = failure_choice_text(3);
        applied.failure_policy = 3;
    } else if (fall == "1" || fall == "2" || fall == "3") {
        applied.failure_policy = fall[0] - '0';
        page.failure_choice = failure_choice_text(applied.failure_policy);
    }  // any other text changes neither the choice nor the policy

    page.price_percent = text("PR_INFO", "price");
    page.price_decimals = text("PR_INFO", "price_num");
    page.stock_value = text("PR_INFO", "num");
    for (int i = 0; i < 3; ++i) {
        page.replace_from[static_cast<size_t>(i)] = text("REPLACE", replace_from_keys[i]);
        page.replace_to[static_cast<size_t>(i)] = text("REPLACE", replace_to_keys[i]);
    }
    page.layout_4x = text("SAVE", "type") == "4";
    applied.package_layout = page.layout_4x ? 4 : 5;
}

SaveOutcome save_settings(const std::filesystem::path& file, const SettingsPage& page,
                          AppliedSettings& applied) {
    bool written = true;
    auto write = [&](const char* section, const char* key, const std::string& value) {
        written = write_profile_value(file, section, key, value) && written;
    };
    write("DL_PIC", "download", flag(page.download_pictures));
    write("DL_PIC", "taobao_only", flag(page.taobao_only));
    applied.picture_mode = page.download_pictures ? 1 : 0;
    if (page.taobao_only) {
        applied.picture_mode = 2;
    }
    write("PR_INFO", "p_type", flag(page.price_adjust));
    write("PR_INFO", "n_type", flag(page.stock_uniform));
    if (page.failure_choice.empty()) {
        return SaveOutcome::no_failure_policy;
    }
    for (int policy = 1; policy <= 3; ++policy) {
        if (page.failure_choice == failure_choice_text(policy)) {
            write("DL_PIC", "fall", std::to_string(policy));
            applied.failure_policy = policy;
            break;
        }
    }
    write("PR_INFO", "price", page.price_percent);
    write("PR_INFO", "price_num", page.price_decimals);
    write("PR_INFO", "num", page.stock_value);
    for (int i = 0; i < 3; ++i) {
        write("REPLACE", replace_from_keys[i], page.replace_from[static_cast<size_t>(i)]);
    }
    for (int i = 0; i < 3; ++i) {
        write("REPLACE", replace_to_keys[i], page.replace_to[static_cast<size_t>(i)]);
    }
    write("SAVE", "type", page.layout_4x ? "4" : "5");
    applied.package_layout = page.layout_4x ? 4 : 5;
    return written ? SaveOutcome::saved : SaveOutcome::write_failed;
}

OutputPath split_output_path(std::string_view path) {
    OutputPath output;
    output.path = std::string(path);
    const size_t slash = find_last_text(path, "/");
    const size_t name_start = slash == not_found ? 0 : slash + 1;
    output.folder = std::string(path.substr(0, name_start));
    const std::string_view name = path.substr(name_start);
    const size_t dot = find_text(name, ".");
    output.base_name = dot == not_found ? std::string() : std::string(name.substr(0, dot));
    return output;
}

OutputPath default_output_path(std::string_view run_dir, const LocalTime& now) {
    std::string path(run_dir);
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return split_output_path(path + "csv" + timestamp_text(TimestampForm::seconds, now) + ".csv");
}

ChosenPath choose_output_path(std::string_view chosen) {
    std::string path(chosen);
    if (find_text(path, ".") == not_found) {
        path += ".csv";
    }
    ChosenPath result;
    result.output = split_output_path(path);
    result.accepted = !result.output.base_name.empty();
    if (!result.accepted) {
        result.output.path.clear();  // the box is emptied; the folder stays as split
    }
    return result;
}

}  // namespace quorvane
