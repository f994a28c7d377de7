// The sensor registry and packet router: owns every sensor, routes each
// received datagram to the sensor that sent it, and answers the lookups of the
// exported API.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/sensor_error.h"
#include "sensor.h"

namespace druvex_sdk {

class SensorManager {
public:
    // Sensors that announced themselves only halfway are kept, unseen, up to
    // this many; the oldest is forgotten first.
    static constexpr size_t max_pending = 64;
    // Nothing larger fits in one UDP datagram.
    static constexpr size_t max_packet_size = 65535;

    static SensorManager& instance();

    // The single entry of every packet: live, replayed or mock-received.
    SensorError handle_packet(uint64_t handle, int64_t timestamp_usec, size_t size,
                              const uint8_t* data);
    // The same without a result value, which no packet ever fails with.
    void route(uint64_t handle, int64_t timestamp_usec, size_t size, const uint8_t* data);

    int32_t count();
    std::shared_ptr<Sensor> get_by_index(int32_t index);
    std::shared_ptr<Sensor> get_by_handle(uint64_t handle);
    std::shared_ptr<Sensor> get_by_serial_number(uint64_t serial_number);
    void clear();
    size_t pending_count();

    static std::string get_model_name(uint16_t model);

private:
    std::shared_ptr<Sensor> get_by_handle_locked(uint64_t handle) const;
    std::shared_ptr<Sensor> find_or_create_pending_locked(uint64_t handle);
    void settle(const std::shared_ptr<Sensor>& sensor);

    std::mutex mutex_;
    std::vector<std::shared_ptr<Sensor>> sensors_;
    std::vector<std::shared_ptr<Sensor>> pending_;
};

}  // namespace druvex_sdk
