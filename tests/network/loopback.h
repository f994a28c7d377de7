// Loopback helpers for the network tests: a sender socket and a thread-safe
// collector that waits (generously) for what a callback received.
#pragma once

#include "support/free_port.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include <asio.hpp>

namespace druvex_test {

using druvex::testing::free_udp_port;

class UdpSender {
public:
    // Sends from 127.0.0.1, or from another loopback address such as 127.0.0.5.
    explicit UdpSender(const char* source_address = "127.0.0.1");
    void send(uint16_t port, const std::vector<uint8_t>& bytes);
    void send(uint16_t port, const std::string& text);

private:
    asio::io_context io_;
    asio::ip::udp::socket socket_;
};

struct Received {
    uint64_t handle = 0;
    int64_t timestamp = 0;
    std::vector<uint8_t> data;
};

// Collects entries from any thread; wait_for returns once n are there or the
// (generous) deadline passed.
template <typename Entry>
class Collector {
public:
    void add(Entry entry) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            entries_.push_back(std::move(entry));
        }
        changed_.notify_all();
    }

    bool wait_for(size_t n, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return entries_.size() >= n; });
    }

    std::vector<Entry> entries() {
        std::lock_guard<std::mutex> lock(mutex_);
        return entries_;
    }

    size_t size() {
        std::lock_guard<std::mutex> lock(mutex_);
        return entries_.size();
    }

    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        entries_.clear();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Entry> entries_;
};

std::string text_of(const std::vector<uint8_t>& bytes);

}  // namespace druvex_test
