// The failures waiting to be shown in the window.
#include "failure_notices.h"

namespace druvex {

FailureNotices::FailureNotices() { set_level(spdlog::level::warn); }

std::vector<std::string> FailureNotices::take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> taken(pending_.begin(), pending_.end());
    pending_.clear();
    return taken;
}

void FailureNotices::sink_it_(const spdlog::details::log_msg& msg) {
    if (pending_.size() >= max_pending) pending_.pop_front();
    pending_.emplace_back(msg.payload.data(), msg.payload.size());
}

}  // namespace druvex
