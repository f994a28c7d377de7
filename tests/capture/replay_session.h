// An initialised SDK (networking off; on a free port should a test turn it on)
// whose network-packet callback records every packet it is given, with the
// time it arrived.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "capture_test_support.h"

namespace capture_test {

class ReplaySession {
public:
    ReplaySession();
    ~ReplaySession();

    std::vector<Packet> packets();
    // "code: message" of every error the error callback was given.
    std::vector<std::string> errors();
    std::vector<std::chrono::steady_clock::time_point> arrivals();
    size_t count();
    // Waits until at least `n` packets arrived (false when they did not in time).
    bool wait_for(size_t n);

private:
    static void on_packet(uint64_t handle, int64_t timestamp, const uint8_t* data, size_t size,
                          void* self);
    static void on_error(uint64_t handle, int32_t code, const char* message, const void* data,
                         size_t size, void* self);

    std::mutex mutex_;
    std::vector<Packet> packets_;
    std::vector<std::chrono::steady_clock::time_point> arrivals_;
    std::vector<std::string> errors_;
};

}  // namespace capture_test
