// UDP receive path with its I/O and processing threads. (Placeholder until
// networking arrives.)
#pragma once

#include <atomic>
#include <cstdint>

#include "sensor_error.h"

namespace druvex_sdk {

class NetworkManager {
public:
    static NetworkManager& instance();

    SensorError start();
    void stop();
    SensorError set_port(uint16_t port);
    uint16_t get_port() const { return port_.load(); }
    bool is_listening() const { return listening_; }

private:
    std::atomic<uint16_t> port_{8808};
    bool listening_ = false;
};

}  // namespace druvex_sdk
