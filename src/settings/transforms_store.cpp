// Reading, writing and editing the sensor poses.
#include "transforms_store.h"

#include "platform/numeric_utils.h"

#include <algorithm>
#include <cmath>

namespace druvex {
namespace {

bool finite_transform(const SensorTransform& t) {
    return std::all_of(std::begin(t.rotation), std::end(t.rotation),
                       [](float v) { return std::isfinite(v); }) &&
           std::all_of(std::begin(t.translation), std::end(t.translation),
                       [](float v) { return std::isfinite(v); });
}

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

void TransformsStore::clear() {
    path.clear();
    set_transforms({});
}

SensorTransform TransformsStore::get_transform(uint64_t serial) const {
    const auto poses = transforms();
    const auto it = poses->find(serial);
    return it == poses->end() ? SensorTransform() : it->second;
}

bool TransformsStore::set_transform(uint64_t serial, const SensorTransform& transform) {
    if (!finite_transform(transform)) return false;
    SensorTransforms poses = *transforms();
    poses[serial] = transform;
    set_transforms(std::move(poses));
    return true;
}

bool TransformsStore::load(const std::string& file, bool set_path) {
    const std::string resolved = resolve_store_path(path, file, set_path);
    if (resolved.empty()) return false;
    set_transforms({});
    json j;
    if (!read_json_file(j, resolved)) return false;
    return transforms_from_json(*this, j);
}

bool TransformsStore::save(const std::string& file, bool set_path) {
    const std::string resolved = resolve_store_path(path, file, set_path);
    if (resolved.empty()) return false;
    json j;
    transforms_to_json(*this, j);
    return write_json_file(j, resolved);
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
    if (j.is_null()) return true;
    // An array or a number has no named members: not a transforms file.
    if (!j.is_object()) return false;
    SensorTransforms poses = *store.transforms();
    const bool result = take_members(poses, j);
    store.set_transforms(std::move(poses));
    return result;
}

}  // namespace druvex
