// The sensor registry: owns every sensor, publishes those that announced
// themselves, and answers the lookups of the exported API and of the packet
// router.
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
    // Sensors published at once. Information from further senders is ignored
    // (every sender costs memory, and anyone on the network can be one); the
    // error callback is told the first time, and again only after a clear.
    static constexpr size_t max_sensors = 256;

    static SensorManager& instance();

    // The sensor a packet from `handle` is for: the published one; else, for
    // an information packet, a pending one made on first use (`pending` is
    // then set); else none, and the packet is dropped.
    std::shared_ptr<Sensor> sensor_for_packet(uint64_t handle, bool info, bool& pending);
    // After a pending sensor's packet: a sensor with information is published
    // while there is room, one waiting for a second half stays pending, any
    // other is forgotten.
    void settle(const std::shared_ptr<Sensor>& sensor);

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

    std::mutex mutex_;
    std::vector<std::shared_ptr<Sensor>> sensors_;
    std::vector<std::shared_ptr<Sensor>> pending_;
    bool refusal_reported_ = false;
};

}  // namespace druvex_sdk
