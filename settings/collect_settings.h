#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "text/time_text.h"

// The collection options: the configuration page's controls as a model a
// front end binds to, the applied values the engine reads, and the
// settings file that holds them (options/options.ini under the run folder).
// Texts are GBK.
namespace quorvane {

// The three items of the failure-policy choice box, in order.
std::string failure_choice_text(int policy);  // 1..3

// The page's controls.
struct SettingsPage {
    bool download_pictures = true;                        // "下载描述图片"
    bool taobao_only = false;                             // "只下载淘宝空间图片"
    bool taobao_only_enabled = true;                      // set only at load
    std::string failure_choice = failure_choice_text(3);  // the choice box's text
    bool price_adjust = false;                            // "价格调整"
    std::string price_percent = "100";
    std::string price_decimals = "0";  // "保留小数位"
    bool stock_uniform = false;        // "库存统一为"
    std::string stock_value = "100";
    std::array<std::string, 3> replace_from;
    std::array<std::string, 3> replace_to;
    bool layout_4x = false;  // "生成淘宝助理4.X数据" selected, else 5.X
};

// Values that change only at load and on save.
struct AppliedSettings {
    int picture_mode = 0;    // 0 none, 1 any host, 2 the marketplace's picture space only
    int failure_policy = 0;  // 1 keep, 2 delete, 3 retry then delete; 0 before a load
    int package_layout = 0;  // 4 or 5; 0 before a load
};

std::filesystem::path settings_file(const std::filesystem::path& run_dir);

// Reads every key; a missing file gives every key's missing value.
void load_settings(const std::filesystem::path& file, SettingsPage& page, AppliedSettings& applied);

enum class SaveOutcome {
    saved,              // "已经保存！"
    no_failure_policy,  // "请设置图片下载失败处理方式": stopped after the first keys
    write_failed,
};

// Writes the keys from the page in order and recomputes the applied
// values; each key is written at once, so a save stopped part-way keeps
// what it wrote.
SaveOutcome save_settings(const std::filesystem::path& file, const SettingsPage& page,
                          AppliedSettings& applied);

// The output path and what is derived from it.
struct OutputPath {
    std::string path;       // GBK text, as the path box shows it
    std::string folder;     // up to and including the last "/"
    std::string base_name;  // the name part before its first "."
};

OutputPath split_output_path(std::string_view path);

// run folder + "/csv" + the seconds time stamp + ".csv".
OutputPath default_output_path(std::string_view run_dir, const LocalTime& now);

// A path the user chose: ".csv" is added when the whole path has no "."; an
// empty base name is refused ("请检查文件名是否正确！") and empties the box.
struct ChosenPath {
    OutputPath output;
    bool accepted = false;
};
ChosenPath choose_output_path(std::string_view chosen);

}  // namespace quorvane
