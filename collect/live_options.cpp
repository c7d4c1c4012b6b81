#include "collect/live_options.h"

namespace quorvane {

void LiveOptions::set_page(const SettingsPage& page) {
    std::lock_guard lock(mutex_);
    ItemOptions& item = current_.item;
    item.price_adjust = page.price_adjust;
    item.price_percent = page.price_percent;
    item.price_decimals = page.price_decimals;
    item.stock_uniform = page.stock_uniform;
    item.stock_value = page.stock_value;
    item.layout_4x_selected = page.layout_4x;
    item.replace_from = page.replace_from;
    item.replace_to = page.replace_to;
}

void LiveOptions::set_applied(const AppliedSettings& applied) {
    std::lock_guard lock(mutex_);
    current_.applied = applied;
}

LiveOptions::Snapshot LiveOptions::snapshot() const {
    std::lock_guard lock(mutex_);
    return current_;
}

}  // namespace quorvane
