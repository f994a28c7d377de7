// The sensor registry: pending and published sensors and their lookups.
#include "sensor_manager.h"

#include <algorithm>
#include <string>

#include "core/error_queue.h"
#include "sensor_model.h"

namespace druvex_sdk {

std::shared_ptr<Sensor> SensorManager::sensor_for_packet(uint64_t handle, bool info,
                                                         bool& pending) {
    std::lock_guard<std::mutex> lock(mutex_);
    pending = false;
    if (std::shared_ptr<Sensor> sensor = get_by_handle_locked(handle)) return sensor;
    if (!info) return nullptr;
    pending = true;
    return find_or_create_pending_locked(handle);
}

std::shared_ptr<Sensor> SensorManager::find_or_create_pending_locked(uint64_t handle) {
    auto found = std::find_if(pending_.begin(), pending_.end(),
                              [&](const auto& s) { return s->handle() == handle; });
    if (found != pending_.end()) return *found;
    if (pending_.size() >= max_pending) pending_.erase(pending_.begin());
    pending_.push_back(std::make_shared<Sensor>(handle));
    return pending_.back();
}

// A sensor whose packet was refused is forgotten so that junk datagrams from
// many sources do not pile up. A refusal for want of room is queued after the
// registry is let go: the error callback may look sensors up.
void SensorManager::settle(const std::shared_ptr<Sensor>& sensor) {
    const bool received = sensor->info_received();
    if (!received && sensor->two_part_pending()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.erase(std::remove(pending_.begin(), pending_.end(), sensor), pending_.end());
        if (!received || get_by_handle_locked(sensor->handle())) return;
        if (sensors_.size() < max_sensors) return sensors_.push_back(sensor);
        if (refusal_reported_) return;
        refusal_reported_ = true;
    }
    queue_error(sensor->handle(), DRUVEX_ERROR_OUT_OF_MEMORY,
                "sensor limit of " + std::to_string(max_sensors) +
                    " reached: packets from further senders are ignored");
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
    refusal_reported_ = false;
}

size_t SensorManager::pending_count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return pending_.size();
}

std::string SensorManager::get_model_name(uint16_t model) { return model_name(model); }

}  // namespace druvex_sdk
