#include "collect/picture_download.h"

#include <filesystem>
#include <fstream>

#include "collect/picture_file.h"
#include "net/object_request.h"
#include "net/web_request.h"
#include "text/gbk_conversion.h"
#include "text/gbk_search.h"
#include "text/md5.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

// A download: the body, empty on any failure. An error status is a failed
// download too, never a picture file holding the error page.
std::string picture_by_object(const std::string& address, const PictureJob& job) {
    int status = 0;
    ObjectRequestOptions options;
    options.cancel = job.cancel;
    options.timeout = job.deadline;
    options.status = &status;
    std::string body = object_request(address, options);
    return status >= 200 && status < 300 ? body : std::string();
}

std::string picture_by_web(const std::string& address, const PictureJob& job) {
    int status = 0;
    WebRequestOptions options;
    options.cancel = job.cancel;
    options.deadline = job.deadline;
    options.status = &status;
    std::string body = web_request(address, options);
    return status >= 200 && status < 300 ? body : std::string();
}

fs::path file_system_path(const std::string& gbk_path) { return fs::path(gbk_to_utf8(gbk_path)); }

void write_bytes(const std::string& gbk_path, const std::string& bytes) {
    std::ofstream out(file_system_path(gbk_path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// "file://" + an absolute path reads "file:///...", as on every platform.
std::string file_reference(const std::string& path) {
    return (path.empty() || path[0] != '/' ? "file:///" : "file://") + path;
}

struct Pass {
    const char* pattern;
    std::string ItemRecord::*text;
    bool file_scheme;
    bool logs_second_failure;
};

// One line of a description pass: " 线程：n" + `middle` + "k/T 个宝贝 描述图片 "
// + `before` + "i/m" + `after`.
class PassLog {
public:
    explicit PassLog(const PictureJob& job) : job_(job) {}
    void skipped(int i, int m) const {
        line(gbk("  正在下载第:"), {}, i, m, gbk("  非淘宝空间图片 已跳过"));
    }
    void downloading(int i, int m) const { line(gbk("  正在下载第:"), {}, i, m, {}); }
    void deleted(int i, int m) const { line(gbk("  第:"), gbk("字节集为0 已经删除 "), i, m, {}); }
    void again(int i, int m) const { line(gbk("  第:"), gbk("字节集为0 正在重新下载 "), i, m, {}); }
    void deleted_after_retry(int i, int m) const {
        line(gbk("  第:"), gbk("字节集为0 重新下载失败===已经删除图片 "), i, m, {});
    }

private:
    void line(const std::string& middle, const std::string& before, int i, int m,
              const std::string& after) const {
        if (job_.log == nullptr) {
            return;
        }
        job_.log->add(gbk(" 线程：") + std::to_string(job_.thread_number) + middle +
                      std::to_string(job_.row_number) + "/" + std::to_string(job_.run_total) +
                      gbk(" 个宝贝 描述图片 ") + before + std::to_string(i) + "/" +
                      std::to_string(m) + after + "\r\n");
    }
    const PictureJob& job_;
};

void run_pass(const Pass& pass, ItemRecord& item, PatternSearch& search, const PictureJob& job,
              const std::string& item_folder) {
    std::string& text = item.*(pass.text);
    search.compile(pass.pattern);
    const int m = search.find_all(text);
    if (m == 0) {
        return;
    }
    std::error_code error;
    fs::create_directories(file_system_path(item_folder), error);
    const PassLog log(job);
    for (int i = 1; i <= m; ++i) {
        if (job.cancel != nullptr && job.cancel->cancelled()) {
            return;
        }
        const std::string s =
            search.submatch_text(i, 1);  // as found before this pass changed the text
        if (job.picture_mode == 2 && find_text(s, "taobao") == not_found) {
            log.skipped(i, m);
            continue;
        }
        log.downloading(i, m);
        const std::string address = "http://" + replace_all(s, "amp;", "");
        auto fetch = [&](std::string& name) {
            std::string bytes = picture_by_object(address, job);
            name = description_picture_name(s, bytes);
            if (name.size() > 20) {
                bytes = picture_by_web(address, job);
                name = description_picture_name(s, bytes);
            }
            return bytes;
        };
        auto keep = [&](const std::string& name, const std::string& bytes) {
            const std::string local = item_folder + "/" + name;
            text =
                replace_all(text, "http://" + s, pass.file_scheme ? file_reference(local) : local,
                            Case::ignore_ascii);
            write_bytes(local, bytes);
        };
        auto cut = [&] { text = replace_all(text, "http://" + s, "", Case::ignore_ascii); };
        std::string name;
        const std::string bytes = fetch(name);
        if (!bytes.empty()) {
            keep(name, bytes);
            continue;
        }
        if (job.failure_policy == 2) {
            cut();
            log.deleted(i, m);
        } else if (job.failure_policy == 3) {
            log.again(i, m);
            const std::string second = fetch(name);
            if (!second.empty()) {
                keep(name, second);
            } else {
                cut();
                if (pass.logs_second_failure) {
                    log.deleted_after_retry(i, m);
                }
            }
        }
    }
}

}  // namespace

std::string title_folder(const std::string& title) {
    std::string folder = title;
    for (const char* removed : {"/", "\\", ".", "%", " ", ":"}) {
        folder = replace_all(folder, removed, "");
    }
    return folder;
}

void download_description_pictures(ItemRecord& item, PatternSearch& search, const PictureJob& job) {
    if (job.picture_mode <= 0) {
        return;
    }
    const std::string item_folder = job.picture_folder + "/" + title_folder(item.title);
    static const Pass passes[] = {
        {"<IMG .*?\"http://(.*?)\".*?>", &ItemRecord::desc, true, false},
        {"\\<img\\>http://(.*?)\\<\\/img\\>", &ItemRecord::wireless_desc, false, false},
        {"background=\"\"http://(.*?)\"\"", &ItemRecord::desc, true, true},
    };
    for (const Pass& pass : passes) {
        run_pass(pass, item, search, job, item_folder);
    }
}

void download_item_pictures(ItemRecord& item, const XmlDocument& answer, const PictureJob& job) {
    const std::string k = std::to_string(job.row_number);
    const std::string total = std::to_string(job.run_total);
    auto log = [&job](const std::string& line) {
        if (job.log != nullptr) {
            job.log->add(line);
        }
    };
    item.picture_list.clear();
    const std::string base = "item_get_response/item/";
    int found = 0;

    log(gbk("  开始下载 第：") + k + "/" + total + gbk("  个宝贝   宝贝主图数据！\r\n"));
    const int mains = answer.child_count(base + "item_imgs", found);
    const std::string position_code = job.package_layout == 4 ? ":0:" : ":1:";
    for (int i = 1; i <= mains; ++i) {
        log(gbk("  正在下载 第：") + std::to_string(i) + "/" + std::to_string(mains) +
            gbk("  张 宝贝主图数据... \r\n"));
        const std::string name = main_picture_name(item.title, item.num_iid, *job.clock);
        item.picture_list += name.substr(0, 32) + position_code + std::to_string(i - 1) + ":|;";
        const std::string bytes =
            picture_by_web(answer.get_text(base + "item_imgs/@" + std::to_string(i) + "/url"), job);
        write_bytes(job.picture_folder + "/" + name, bytes);
    }
    log(gbk("  下载完毕 第：") + k + "/" + total + gbk("  个宝贝   宝贝主图数据！\r\n"));

    log(gbk("  开始下载 第：") + k + "/" + total + gbk("  个宝贝   销售属性图片数据！\r\n"));
    const int props = answer.child_count(base + "prop_imgs", found);
    const std::string property_code = job.layout_4x_selected ? ":1:0:" : ":2:0:";
    for (int i = 1; i <= props; ++i) {
        log(gbk("  正在下载 第：") + std::to_string(i) + "/" + std::to_string(props) +
            gbk("  张 销售属性图片数据... \r\n"));
        const std::string name = main_picture_name(item.title, item.num_iid, *job.clock);
        const std::string entry = base + "prop_imgs/@" + std::to_string(i);
        item.picture_list +=
            name.substr(0, 32) + property_code + answer.get_text(entry + "/properties") + "|;";
        write_bytes(job.picture_folder + "/" + name,
                    picture_by_web(answer.get_text(entry + "/url"), job));
    }
    log(gbk("  下载完毕 第：") + k + "/" + total + gbk("  个宝贝   销售属性图片数据！\r\n"));
}

}  // namespace quorvane
