// Reading, writing and editing the sensor poses.
#include "transforms_store.h"

#include "platform/numeric_utils.h"

#include <algorithm>
#include <cmath>

namespace druvex {
namespace {

// Throws for anything but an array (or object) of 3 or 4 numbers.
bool read_rotation(const json& rotation, float q[4]) {
    if (!rotation.is_array() && !rotation.is_object()) return false;
    if (rotation.size() == 4) {
        float_array_from_json(rotation, q, 4);
        return true;
    }
    if (rotation.size() != 3) return false;
    float_array_from_json(rotation, q, 3);
    // The unit quaternion's w from its vector part. A sum just above 1
    // (rounding in a hand-made file) gives w = 0, not NaN: a NaN pose would
    // make the sensor's points vanish and could not be saved.
    q[3] = std::sqrt(std::max(0.0f, 1.0f - sum_of_squares(q, 3)));
    return true;
}

bool take_members(SensorTransforms& poses, const json& j) {
    for (auto it = j.begin(); it != j.end(); ++it) {
        const uint64_t serial = serial_of_member(it.key());
        if (serial == 0) continue;  // not a sensor: ignored, as the file has always been read
        SensorTransform pose;
        if (!sensor_transform_from_json(pose, it.value())) return false;
        poses[serial] = pose;
    }
    return true;
}

}  // namespace

bool is_finite(const SensorTransform& t) {
    return std::all_of(std::begin(t.rotation), std::end(t.rotation),
                       [](float v) { return std::isfinite(v); }) &&
           std::all_of(std::begin(t.translation), std::end(t.translation),
                       [](float v) { return std::isfinite(v); });
}

void TransformsStore::clear() {
    path.clear();
    set_transforms({});
}

bool TransformsStore::load(const std::string& file, bool set_path, std::string* reason) {
    return load_store_file(
        path, file, set_path, [this] { set_transforms({}); },
        [this](const json& j) { return transforms_from_json(*this, j); }, reason);
}

bool TransformsStore::save(const std::string& file, bool set_path) {
    return save_store_file(path, file, set_path, [this](json& j) { transforms_to_json(*this, j); });
}

void sensor_transform_to_json(const SensorTransform& transform, json& j) {
    j["rotation"] = float_array_to_json(transform.rotation, 4);
    j["translation"] = float_array_to_json(transform.translation, 3);
}

bool sensor_transform_from_json(SensorTransform& transform, const json& j) {
    SensorTransform read = transform;
    try {
        if (const json* translation = json_member(j, "translation"))
            float_array_from_json(*translation, read.translation, 3);
        if (const json* rotation = json_member(j, "rotation")) {
            if (!read_rotation(*rotation, read.rotation)) return false;
        }
    } catch (const std::exception&) {
        return false;
    }
    transform = read;
    return true;
}

void transforms_to_json(const TransformsStore& store, json& j) {
    for (const auto& [serial, pose] : *store.transforms())
        sensor_transform_to_json(pose, j[std::to_string(serial)]);
}

bool transforms_from_json(TransformsStore& store, const json& j) {
    return store.poses_.take_from_json(j, take_members);
}

}  // namespace druvex
