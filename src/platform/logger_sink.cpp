// The in-memory log sink of the "gui" logger.
#include "logger_sink.h"

#include <spdlog/pattern_formatter.h>

#include <chrono>

namespace druvex {

LoggerSink::LoggerSink() : formatter_(std::make_unique<spdlog::pattern_formatter>()) {}

LoggerSink::~LoggerSink() = default;

void LoggerSink::log(const spdlog::details::log_msg& msg) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (records_.size() >= max_records) return;
    LogRecord record;
    record.logger_name.assign(msg.logger_name.data(), msg.logger_name.size());
    record.level = static_cast<int32_t>(msg.level);
    record.time =
        std::chrono::duration_cast<std::chrono::microseconds>(msg.time.time_since_epoch()).count();
    record.raw_text.assign(msg.payload.data(), msg.payload.size());
    spdlog::memory_buf_t formatted;
    formatter_->format(msg, formatted);
    record.formatted_text.assign(formatted.data(), formatted.size());
    records_.push_back(std::move(record));
}

void LoggerSink::set_pattern(const std::string& pattern) {
    std::lock_guard<std::mutex> lock(mutex_);
    formatter_ = std::make_unique<spdlog::pattern_formatter>(pattern);
}

void LoggerSink::set_formatter(std::unique_ptr<spdlog::formatter> formatter) {
    std::lock_guard<std::mutex> lock(mutex_);
    formatter_ = std::move(formatter);
}

std::vector<LogRecord> LoggerSink::records() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return records_;
}

size_t LoggerSink::size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return records_.size();
}

}  // namespace druvex
