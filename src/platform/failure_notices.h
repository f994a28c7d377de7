// Failures the user has to be told about in the window: a sink of the "gui"
// logger that keeps its warnings and errors until the window takes them.
#pragma once

#include <spdlog/sinks/base_sink.h>

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace druvex {

class FailureNotices : public spdlog::sinks::base_sink<std::mutex> {
public:
    // The window takes them every frame; should it not (it is hidden, or the
    // messages come in a flood), only the latest are kept.
    static constexpr size_t max_pending = 100;

    FailureNotices();

    // The messages logged since the last call, oldest first, as the caller
    // wrote them.
    std::vector<std::string> take();

protected:
    void sink_it_(const spdlog::details::log_msg& msg) override;
    void flush_() override {}

private:
    std::deque<std::string> pending_;
};

}  // namespace druvex
