// Routing of packets by handle and magic to sensors and frames.
#include "packet_router.h"

#include "core/error_queue.h"
#include "core/packet_bytes.h"
#include "frames/frame_manager.h"
#include "sensors/data_packet.h"
#include "sensors/info_packet.h"
#include "sensors/sensor_manager.h"

namespace druvex_sdk {

void route_packet(uint64_t handle, int64_t timestamp_usec, size_t size, const uint8_t* data) {
    dispatch_queued_errors();
    if (data == nullptr || size < 4 || size > max_packet_size) return;
    const uint32_t magic = read_le<uint32_t>(data, 0);
    const bool info = is_info_magic(magic);
    if (!info && !is_data_magic(magic)) return;

    SensorManager& registry = SensorManager::instance();
    bool pending = false;
    const std::shared_ptr<Sensor> sensor = registry.sensor_for_packet(handle, info, pending);
    if (!sensor) return;
    switch (magic) {
        case magic_inf1: sensor->handle_info_part1(size, data); break;
        case magic_inf2: sensor->handle_info_part2(size, data); break;
        case magic_info: sensor->handle_info(size, data); break;
        case magic_infx: sensor->handle_info_x(size, data); break;
        default:
            FrameManager::instance().handle_points_packet(*sensor, timestamp_usec, size, data);
            break;
    }
    if (pending) registry.settle(sensor);
    FrameManager::instance().release_idle();
}

}  // namespace druvex_sdk
