#pragma once

#include <mutex>

#include "collect/field_transforms.h"
#include "settings/collect_settings.h"

namespace quorvane {

// What the workers read for every item: the page's live controls and the
// applied settings. A front end updates it; workers take a snapshot.
class LiveOptions {
public:
    struct Snapshot {
        ItemOptions item;
        AppliedSettings applied;
    };

    void set_page(const SettingsPage& page);
    void set_applied(const AppliedSettings& applied);
    Snapshot snapshot() const;

private:
    mutable std::mutex mutex_;
    Snapshot current_;
};

}  // namespace quorvane
