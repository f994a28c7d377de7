// The sensor registry and the routing of packets by handle.
#include "sensor_manager.h"

#include <algorithm>

#include "core/sdk_manager.h"
#include "data_packet.h"
#include "frames/frame_manager.h"
#include "info_packet.h"
#include "sensor_model.h"

namespace druvex_sdk {

SensorError SensorManager::handle_packet(uint64_t handle, int64_t timestamp_usec, size_t size,
                                         const uint8_t* data) {
    route(handle, timestamp_usec, size, data);
    return success();
}

void SensorManager::route(uint64_t handle, int64_t timestamp_usec, size_t size,
                          const uint8_t* data) {
    SdkManager::dispatch_errors();
    if (data == nullptr || size < 4 || size > max_packet_size) return;
    const uint32_t magic = read_le<uint32_t>(data, 0);
    const bool info = is_info_magic(magic);
    if (!info && !is_data_magic(magic)) return;

    std::shared_ptr<Sensor> sensor;
    bool unpublished = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        sensor = get_by_handle_locked(handle);
        if (!sensor) {
            if (!info) return;
            sensor = find_or_create_pending_locked(handle);
            unpublished = true;
        }
    }

    switch (magic) {
        case magic_inf1: sensor->handle_info_part1(size, data); break;
        case magic_inf2: sensor->handle_info_part2(size, data); break;
        case magic_info: sensor->handle_info(size, data); break;
        case magic_infx: sensor->handle_info_x(size, data); break;
        default:
            FrameManager::instance().handle_points_packet(*sensor, timestamp_usec, size, data);
            break;
    }
    if (unpublished) settle(sensor);
}

std::shared_ptr<Sensor> SensorManager::find_or_create_pending_locked(uint64_t handle) {
    auto found = std::find_if(pending_.begin(), pending_.end(),
                              [&](const auto& s) { return s->handle() == handle; });
    if (found != pending_.end()) return *found;
    if (pending_.size() >= max_pending) pending_.erase(pending_.begin());
    pending_.push_back(std::make_shared<Sensor>(handle));
    return pending_.back();
}

// After its packet: a sensor with information is published, one waiting for
// a second half stays pending, and one whose packet was refused is forgotten
// so that junk datagrams from many sources do not pile up.
void SensorManager::settle(const std::shared_ptr<Sensor>& sensor) {
    const bool received = sensor->info_received();
    if (!received && sensor->two_part_pending()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.erase(std::remove(pending_.begin(), pending_.end(), sensor), pending_.end());
    if (received && !get_by_handle_locked(sensor->handle())) sensors_.push_back(sensor);
}

int32_t SensorManager::count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int32_t>(sensors_.size());
}

std::shared_ptr<Sensor> SensorManager::get_by_index(int32_t index) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < 0 || static_cast<size_t>(index) >= sensors_.size()) return nullptr;
    return sensors_[static_cast<size_t>(index)];
}

std::shared_ptr<Sensor> SensorManager::get_by_handle(uint64_t handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    return get_by_handle_locked(handle);
}

std::shared_ptr<Sensor> SensorManager::get_by_handle_locked(uint64_t handle) const {
    for (const auto& sensor : sensors_) {
        if (sensor->handle() == handle) return sensor;
    }
    return nullptr;
}

std::shared_ptr<Sensor> SensorManager::get_by_serial_number(uint64_t serial_number) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& sensor : sensors_) {
        if (sensor->information().serial_number == serial_number) return sensor;
    }
    return nullptr;
}

void SensorManager::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    sensors_.clear();
}

size_t SensorManager::pending_count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return pending_.size();
}

std::string SensorManager::get_model_name(uint16_t model) { return model_name(model); }

}  // namespace druvex_sdk
