#pragma once

#include <atomic>
#include <string>

namespace quorvane {

// What an address means: none chosen yet, one item ("单品"), a shop
// category ("列表") or a whole shop ("店铺").
enum class InputMode { none, single, category, shop };

// The mode is shared: recognition reads it at the press, the crawler's
// threads at every page.
using InputModeState = std::atomic<InputMode>;

}  // namespace quorvane
