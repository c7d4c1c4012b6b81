#pragma once

#include <chrono>
#include <string>

#include "collect/item_record.h"
#include "net/cancel_token.h"
#include "pattern/pattern_search.h"
#include "text/run_log.h"
#include "text/time_text.h"
#include "xml/xml_document.h"

// The picture steps of one item: the description passes that download the
// pictures a description refers to and rewrite the references to the local
// files, then the main and sale-property pictures that build picture_list.
namespace quorvane {

struct PictureJob {
    int picture_mode = 1;    // 0 none, 1 any host, 2 only addresses holding "taobao"
    int failure_policy = 3;  // 1 keep, 2 delete, 3 retry then delete
    int package_layout = 5;
    bool layout_4x_selected = false;
    std::string picture_folder;  // GBK text: output folder + base name
    int thread_number = 1;
    int row_number = 1;
    int run_total = 1;
    RunLog* log = nullptr;
    const CancelToken* cancel = nullptr;
    const Clock* clock = &system_clock();
    std::chrono::milliseconds deadline{0};  // 0: the transports' own time-outs
};

// The title with "/", "\", ".", "%", " " and ":" removed, in that order.
std::string title_folder(const std::string& title);

// Pass 1 over desc (<IMG ...>), pass 2 over wireless_desc (<img>...</img>),
// pass 3 over desc (background=""...""), when picture_mode > 0.
void download_description_pictures(ItemRecord& item, PatternSearch& search, const PictureJob& job);

// Main and sale-property pictures into the picture folder as ".tbi" files;
// sets picture_list. Runs whatever picture_mode is.
void download_item_pictures(ItemRecord& item, const XmlDocument& answer, const PictureJob& job);

}  // namespace quorvane
