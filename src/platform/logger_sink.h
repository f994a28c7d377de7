// Keeps the viewer's log messages in memory so the panels can show them.
#pragma once

#include <spdlog/formatter.h>
#include <spdlog/sinks/sink.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace druvex {

struct LogRecord {
    std::string logger_name;
    int32_t level = 0;
    int64_t time = 0;  // system clock, microseconds since 1970
    std::string raw_text;
    std::string formatted_text;
};

class LoggerSink : public spdlog::sinks::sink {
public:
    // The store is bounded: once it is full, later messages are dropped so the
    // first messages of a session (usually the interesting ones) stay.
    static constexpr size_t max_records = 1001;

    LoggerSink();
    ~LoggerSink() override;

    void log(const spdlog::details::log_msg& msg) override;
    void flush() override {}
    void set_pattern(const std::string& pattern) override;
    void set_formatter(std::unique_ptr<spdlog::formatter> formatter) override;

    std::vector<LogRecord> records() const;
    size_t size() const;

private:
    std::vector<LogRecord> records_;
    mutable std::mutex mutex_;
    std::unique_ptr<spdlog::formatter> formatter_;
};

}  // namespace druvex
