#include "net/cancel_token.h"

namespace quorvane {

void CancelToken::cancel() {
    cancelled_.store(true);
    std::lock_guard lock(mutex_);
    for (const auto& [id, wake] : wakers_) {
        wake();
    }
}

CancelToken::Registration::Registration(const CancelToken* token, std::function<void()> wake)
    : token_(token) {
    if (token_ == nullptr) {
        return;
    }
    std::lock_guard lock(token_->mutex_);
    id_ = token_->next_id_++;
    token_->wakers_.emplace(id_, std::move(wake));
}

CancelToken::Registration::~Registration() {
    if (token_ == nullptr) {
        return;
    }
    std::lock_guard lock(token_->mutex_);
    token_->wakers_.erase(id_);
}

}  // namespace quorvane
