#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "collect/item_record.h"
#include "collect/live_options.h"
#include "marketplace/api_credential.h"
#include "marketplace/marketplace_endpoints.h"
#include "net/cancel_token.h"
#include "pattern/pattern_search.h"
#include "settings/collect_settings.h"
#include "text/run_log.h"
#include "xml/xml_document.h"

// One of a run's five workers: per item it fetches the answer (retrying an
// error answer with the next credentials), rewrites the fields, runs the
// picture steps and gives back the record. It owns its document, pattern
// search and credential rotation.
namespace quorvane {

struct WorkerContext {
    const std::vector<ApiCredential>* credentials = nullptr;
    const MarketplaceEndpoints* endpoints = nullptr;
    RunLog* log = nullptr;
    const CancelToken* cancel = nullptr;
    const Clock* clock = &system_clock();
    std::chrono::milliseconds deadline{0};
    // Called between steps; false ends the item early (the run is stopping).
    std::function<bool()> checkpoint = [] { return true; };
};

class ItemWorker {
public:
    ItemWorker(int thread_number, WorkerContext context);

    // The record of list row `row_number` (1-based); an empty title means
    // the item gets no package row.
    ItemRecord collect(int row_number, int run_total, const std::string& num_iid,
                       const std::string& listed_title, const LiveOptions::Snapshot& options,
                       const OutputPath& output);

    int credential_cursor() const { return credential_cursor_; }

private:
    const ApiCredential& next_credential();
    void fetch_into_document(const std::string& num_iid, const ApiCredential& credential);
    void log(const std::string& body) const;

    int thread_number_;
    WorkerContext context_;
    int credential_cursor_ = 0;
    XmlDocument document_;
    PatternSearch search_;
};

}  // namespace quorvane
